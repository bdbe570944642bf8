#include "CReflexiveCalcDlg.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <QVBoxLayout>

#include "tools/HexFloatCalc.h"

namespace {

QString Latin1(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Turns the letters a to z into capitals as they are typed or pasted; every text
// is accepted. Only ASCII letters change, so the text keeps its length and the
// cursor stays where it was.
class UpperCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*pos*/) const override {
    for (QChar& c : input)
      if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + u'A');
    return Acceptable;
  }
};

}  // namespace

CReflexiveCalcDlg::CReflexiveCalcDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromLatin1(jov::kReflexiveTitle));

  auto* group = new QGroupBox(QString::fromLatin1(jov::kReflexiveGroup), this);
  m_editOffset = new QLineEdit(group);
  m_editReflexive = new QLineEdit(group);
  m_editMagic = new QLineEdit(group);
  m_editMagic->setValidator(new UpperCaseValidator(m_editMagic));
  auto* form = new QFormLayout(group);
  form->addRow(QString::fromLatin1(jov::kReflexiveOffsetLabel), m_editOffset);
  form->addRow(QString::fromLatin1(jov::kReflexiveReflexiveLabel), m_editReflexive);
  form->addRow(QString::fromLatin1(jov::kReflexiveMagicLabel), m_editMagic);

  m_buttonReflexiveToOffset = new QPushButton(QString::fromLatin1(jov::kReflexiveToOffsetButton), this);
  m_buttonOffsetToReflexive = new QPushButton(QString::fromLatin1(jov::kOffsetToReflexiveButton), this);
  m_buttonClose = new QPushButton(QString::fromLatin1(jov::kCalcCloseButton), this);
  m_buttonReflexiveToOffset->setAutoDefault(false);
  m_buttonOffsetToReflexive->setAutoDefault(false);
  m_buttonClose->setDefault(true);
  connect(m_buttonReflexiveToOffset, &QPushButton::clicked, this, [this] {
    ReadFields();
    m_values.ReflexiveToOffset();
    ShowMembers();
  });
  connect(m_buttonOffsetToReflexive, &QPushButton::clicked, this, [this] {
    ReadFields();
    m_values.OffsetToReflexive();
    ShowMembers();
  });
  connect(m_buttonClose, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_buttonReflexiveToOffset);
  buttons->addWidget(m_buttonOffsetToReflexive);
  buttons->addWidget(m_buttonClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(buttons);
}

void CReflexiveCalcDlg::ReadFields() {
  m_values.offset = m_editOffset->text().toLatin1().toStdString();
  m_values.reflexive = m_editReflexive->text().toLatin1().toStdString();
  m_values.magic = m_editMagic->text().toLatin1().toStdString();
}

void CReflexiveCalcDlg::ShowMembers() {
  m_editOffset->setText(Latin1(m_values.offset));
  m_editReflexive->setText(Latin1(m_values.reflexive));
  m_editMagic->setText(Latin1(m_values.magic));
}
