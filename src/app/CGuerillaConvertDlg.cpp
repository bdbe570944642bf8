#include "CGuerillaConvertDlg.h"

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "map/FieldText.h"
#include "platform/UserDialogs.h"

namespace {

QString PathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace

CGuerillaConvertDlg::CGuerillaConvertDlg(jov::UserDialogs& dialogs, CommandRunner run, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs), m_run(std::move(run)) {
  setWindowTitle(QString::fromLatin1(jov::kGuerillaTitle));

  auto* group = new QGroupBox(QString::fromLatin1(jov::kGuerillaGroup), this);
  m_editInput = new QLineEdit(group);
  m_editInput->setReadOnly(true);
  m_editOutput = new QLineEdit(group);
  m_editOutput->setReadOnly(true);
  m_checkFixShorts = new QCheckBox(QString::fromLatin1(jov::kGuerillaFixShorts), group);
  // Digits only, as a number field takes them; an empty field is still refused
  // when it is read.
  m_editShortLimit = new QLineEdit(group);
  m_editShortLimit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_editShortLimit));
  m_editShortLimit->setMaximumWidth(60);
  m_buttonInput = new QPushButton(QString::fromLatin1(jov::kGuerillaBrowse), group);
  m_buttonOutput = new QPushButton(QString::fromLatin1(jov::kGuerillaBrowse), group);
  m_buttonInput->setMaximumWidth(32);
  m_buttonOutput->setMaximumWidth(32);
  m_buttonConvert = new QPushButton(QString::fromLatin1(jov::kGuerillaConvertButton), this);
  m_buttonClose = new QPushButton(QString::fromLatin1(jov::kGuerillaCloseButton), this);
  for (QPushButton* button : {m_buttonInput, m_buttonOutput, m_buttonClose}) button->setAutoDefault(false);
  m_buttonConvert->setDefault(true);
  connect(m_buttonInput, &QPushButton::clicked, this, [this] { m_run([this] { OnPickInput(); }); });
  connect(m_buttonOutput, &QPushButton::clicked, this, [this] { m_run([this] { OnPickOutput(); }); });
  connect(m_buttonConvert, &QPushButton::clicked, this, [this] { m_run([this] { OnConvert(); }); });
  // "Close" reads the fields first, and stays open on a K that does not parse.
  connect(m_buttonClose, &QPushButton::clicked, this, [this] {
    if (ReadFields()) accept();
  });

  auto* grid = new QGridLayout(group);
  grid->addWidget(new QLabel(QString::fromLatin1(jov::kGuerillaInputLabel), group), 0, 0);
  grid->addWidget(m_editInput, 0, 1);
  grid->addWidget(m_buttonInput, 0, 2);
  grid->addWidget(m_editShortLimit, 0, 3);
  grid->addWidget(new QLabel(QString::fromLatin1(jov::kGuerillaOutputLabel), group), 1, 0);
  grid->addWidget(m_editOutput, 1, 1);
  grid->addWidget(m_buttonOutput, 1, 2);
  grid->addWidget(m_checkFixShorts, 1, 3);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_buttonConvert);
  buttons->addWidget(m_buttonClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(buttons);
  resize(560, 140);

  ShowMembers();
}

namespace {

// Shows the converter's paths when the picking ends, however it ends: a file
// that cannot be opened still shows as chosen (its error is reported, and
// "&Convert" reports it again until another is chosen), an output refused as
// the input itself leaves the earlier output in place.
class ShowPathsAfter {
 public:
  ShowPathsAfter(const jov::GuerillaConverter& converter, QLineEdit* input, QLineEdit* output)
      : m_converter(converter), m_input(input), m_output(output) {}
  ~ShowPathsAfter() {
    m_input->setText(PathText(m_converter.InputPath()));
    m_output->setText(PathText(m_converter.OutputPath()));
  }
  ShowPathsAfter(const ShowPathsAfter&) = delete;
  ShowPathsAfter& operator=(const ShowPathsAfter&) = delete;

 private:
  const jov::GuerillaConverter& m_converter;
  QLineEdit* m_input;
  QLineEdit* m_output;
};

}  // namespace

void CGuerillaConvertDlg::OnPickInput() {
  const auto path = m_dialogs.PickOpenFile(jov::kGuerillaInputDialog);
  if (!path) return;
  const ShowPathsAfter show(m_converter, m_editInput, m_editOutput);
  m_converter.OpenInput(*path);
}

void CGuerillaConvertDlg::OnPickOutput() {
  const auto path = m_dialogs.PickSaveFile(jov::kGuerillaOutputDialog);
  if (!path) return;
  const ShowPathsAfter show(m_converter, m_editInput, m_editOutput);
  m_converter.CreateOutput(*path);
}

void CGuerillaConvertDlg::OnConvert() {
  ReadFields();
  m_converter.Convert(m_options);
}

bool CGuerillaConvertDlg::ReadFields() {
  m_options.fixShorts = m_checkFixShorts->isChecked();
  const auto limit = jov::ParseUInt32Field(m_editShortLimit->text().toLatin1().toStdString());
  if (!limit) {
    m_dialogs.ShowValueError(jov::kEnterPositiveInteger);
    m_editShortLimit->setFocus(Qt::OtherFocusReason);
    m_editShortLimit->selectAll();
    return false;
  }
  m_options.shortLimit = *limit;
  return true;
}

void CGuerillaConvertDlg::ShowMembers() {
  m_checkFixShorts->setChecked(m_options.fixShorts);
  m_editShortLimit->setText(QString::number(m_options.shortLimit));
}
