#include "CMessageDlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "MessageText.h"

CMessageDlg::CMessageDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Message"));
  m_textField = new MessageText(this);
  m_buttonOk = new QPushButton(QStringLiteral("OK"), this);
  m_buttonOk->setDefault(true);
  connect(m_buttonOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_buttonOk);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_textField, 1);
  layout->addLayout(buttons);
  resize(340, 180);
}

void CMessageDlg::showEvent(QShowEvent* event) {
  m_textField->SetText(m_strText);
  FitDialogToText(*this, *m_textField);
  QDialog::showEvent(event);
}
