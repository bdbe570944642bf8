#include "CChooseDlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "MessageText.h"

CChooseDlg::CChooseDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Choose"));
  m_textField = new MessageText(this);
  m_buttonNo = new QPushButton(QStringLiteral("No"), this);
  m_buttonYes = new QPushButton(QStringLiteral("Yes"), this);
  m_buttonNo->setAutoDefault(false);
  m_buttonYes->setDefault(true);
  connect(m_buttonYes, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_buttonNo, &QPushButton::clicked, this, &QDialog::reject);

  // "No" on the left, "Yes" on the right.
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_buttonNo);
  buttons->addWidget(m_buttonYes);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_textField, 1);
  layout->addLayout(buttons);
  resize(340, 180);
}

void CChooseDlg::MakeNoDefault() {
  m_buttonYes->setDefault(false);
  m_buttonYes->setAutoDefault(false);
  m_buttonNo->setDefault(true);
  m_buttonNo->setFocus(Qt::OtherFocusReason);
}

void CChooseDlg::showEvent(QShowEvent* event) {
  m_textField->SetText(m_strText);
  FitDialogToText(*this, *m_textField);
  QDialog::showEvent(event);
}
