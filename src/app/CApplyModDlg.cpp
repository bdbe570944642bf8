#include "CApplyModDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CApplyModDlg::CApplyModDlg(const QString& title, const std::vector<std::string>& lines, bool preview, QWidget* parent)
    : QDialog(parent), m_text(new QPlainTextEdit(this)), m_checkPartial(nullptr) {
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  m_text->setReadOnly(true);
  m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QString text;
  for (const std::string& line : lines) text += QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())) + u'\n';
  m_text->setPlainText(text);
  layout->addWidget(m_text);
  auto* buttons = new QDialogButtonBox(preview ? QDialogButtonBox::Cancel : QDialogButtonBox::Close, this);
  if (preview) {
    m_checkPartial = new QCheckBox(QStringLiteral("&Partial: write the edits that apply, also where others do not"), this);
    layout->addWidget(m_checkPartial);
    QPushButton* apply = buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::AcceptRole);
    apply->setDefault(true);
  }
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(900, 440);
}

bool CApplyModDlg::Partial() const { return m_checkPartial && m_checkPartial->isChecked(); }
