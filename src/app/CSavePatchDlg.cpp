#include "CSavePatchDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CSavePatchDlg::CSavePatchDlg(const QString& title, const std::vector<std::string>& leftOut, QWidget* parent)
    : QDialog(parent), m_textLeftOut(nullptr) {
  setWindowTitle(QStringLiteral("Save as Patch"));
  m_editTitle = new QLineEdit(title, this);
  m_editAuthor = new QLineEdit(this);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Title:"), m_editTitle);
  form->addRow(QStringLiteral("&Author:"), m_editAuthor);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  if (!leftOut.empty()) {
    auto* note = new QLabel(QStringLiteral("The patch cannot carry %1 %2; applying it leaves out:")
                                .arg(leftOut.size())
                                .arg(leftOut.size() == 1 ? QStringLiteral("difference") : QStringLiteral("differences")),
                            this);
    note->setWordWrap(true);
    m_textLeftOut = new QPlainTextEdit(this);
    m_textLeftOut->setReadOnly(true);
    QString lines;
    for (const std::string& line : leftOut) lines += QString::fromLatin1(line.c_str()) + u'\n';
    m_textLeftOut->setPlainText(lines);
    layout->addWidget(note);
    layout->addWidget(m_textLeftOut, 1);
  }
  auto* buttons = new QDialogButtonBox(this);
  m_buttonSave = buttons->addButton(QStringLiteral("&Save..."), QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  m_buttonSave->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(leftOut.empty() ? 420 : 560, leftOut.empty() ? 0 : 300);
}

std::string CSavePatchDlg::PatchTitle() const { return m_editTitle->text().trimmed().toStdString(); }
std::string CSavePatchDlg::PatchAuthor() const { return m_editAuthor->text().trimmed().toStdString(); }
