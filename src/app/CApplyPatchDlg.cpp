#include "CApplyPatchDlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CApplyPatchDlg::CApplyPatchDlg(const QString& title, const std::vector<std::string>& lines, QWidget* parent)
    : QDialog(parent), m_text(new QPlainTextEdit(this)) {
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  m_text->setReadOnly(true);
  m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QString text;
  for (const std::string& line : lines) text += QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())) + u'\n';
  m_text->setPlainText(text);
  layout->addWidget(m_text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  if (title.startsWith(QStringLiteral("Apply Patch"))) {
    QPushButton* apply = buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::AcceptRole);
    apply->setDefault(true);
  }
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(720, 440);
}
