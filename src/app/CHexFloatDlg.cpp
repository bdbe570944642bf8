#include "CHexFloatDlg.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "map/FieldText.h"
#include "map/ValueText.h"
#include "platform/UserDialogs.h"

namespace {

QString Latin1(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

CHexFloatDlg::CHexFloatDlg(jov::UserDialogs& dialogs, QWidget* parent) : QDialog(parent), m_dialogs(dialogs) {
  setWindowTitle(QString::fromLatin1(jov::kHexFloatTitle));

  auto* group = new QGroupBox(QString::fromLatin1(jov::kHexFloatGroup), this);
  m_editFloat = new QLineEdit(group);
  m_editHex = new QLineEdit(group);
  m_editHex->setMaxLength(jov::kHexFloatLimit);
  auto* form = new QFormLayout(group);
  form->addRow(QString::fromLatin1(jov::kHexFloatDecimalLabel), m_editFloat);
  form->addRow(QString::fromLatin1(jov::kHexFloatHexLabel), m_editHex);

  m_buttonFloatToHex = new QPushButton(QString::fromLatin1(jov::kFloatToHexButton), this);
  m_buttonHexToFloat = new QPushButton(QString::fromLatin1(jov::kHexToFloatButton), this);
  m_buttonClose = new QPushButton(QString::fromLatin1(jov::kCalcCloseButton), this);
  m_buttonFloatToHex->setAutoDefault(false);
  m_buttonHexToFloat->setAutoDefault(false);
  m_buttonClose->setDefault(true);
  connect(m_buttonFloatToHex, &QPushButton::clicked, this, [this] {
    ReadFields();
    m_values.FloatToHex();
    ShowMembers();
  });
  connect(m_buttonHexToFloat, &QPushButton::clicked, this, [this] {
    ReadFields();
    m_values.HexToFloat();
    ShowMembers();
  });
  connect(m_buttonClose, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_buttonFloatToHex);
  buttons->addWidget(m_buttonHexToFloat);
  buttons->addWidget(m_buttonClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(buttons);

  ShowMembers();
}

void CHexFloatDlg::ReadFields() {
  const auto value = jov::ParseFloatField(m_editFloat->text().toLatin1().toStdString());
  if (!value) {
    m_dialogs.ShowValueError(jov::kEnterNumber);
    m_editFloat->setFocus(Qt::OtherFocusReason);
    m_editFloat->selectAll();
    return;
  }
  m_values.value = *value;
  const std::string hex = m_editHex->text().toLatin1().toStdString();
  if (!jov::FitsLimit(hex, jov::kHexFloatLimit)) {
    m_dialogs.ShowValueError(jov::EnterNoMoreThan(jov::kHexFloatLimit));
    m_editHex->setFocus(Qt::OtherFocusReason);
    m_editHex->selectAll();
    return;
  }
  m_values.hex = hex;
}

void CHexFloatDlg::ShowMembers() {
  m_editFloat->setText(Latin1(jov::FloatToText(m_values.value)));
  m_editHex->setText(Latin1(m_values.hex));
}
