#include "CMapInfoDlg.h"

#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>
#include <vector>

#include "platform/UserDialogs.h"

namespace {

using jov::MapInfoField;

// Map bytes are shown as Latin-1, one character per byte, so that they read back
// unchanged; the file name is a path, in the system's encoding.
QString Shown(MapInfoField field, const std::string& bytes) {
  if (field == MapInfoField::Filename) return QFile::decodeName(QByteArray::fromStdString(bytes));
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Typed(MapInfoField field, const QString& text) {
  if (field == MapInfoField::Filename) return QFile::encodeName(text).toStdString();
  return text.toLatin1().toStdString();
}

}  // namespace

CMapInfoDlg::CMapInfoDlg(jov::MapInfoSession& session, jov::UserDialogs& dialogs, CommandRunner run, QWidget* parent)
    : QDialog(parent), m_session(session), m_dialogs(dialogs), m_run(std::move(run)) {
  setWindowTitle(QStringLiteral("Map Info"));
  // A title bar without a close box: Escape and the buttons close it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  // One group box per header group, in the order the fields are shown.
  std::vector<std::pair<QString, QFormLayout*>> groups;
  std::vector<QGroupBox*> boxes;
  for (const MapInfoField field : jov::MapInfoDisplayOrder()) {
    const jov::MapInfoFieldRow& row = jov::RowOf(field);
    const QString group = QString::fromLatin1(row.group);
    if (groups.empty() || groups.back().first != group) {
      auto* box = new QGroupBox(group, this);
      auto* form = new QFormLayout(box);
      form->setContentsMargins(8, 6, 8, 8);
      form->setVerticalSpacing(4);
      groups.emplace_back(group, form);
      boxes.push_back(box);
    }
    auto* edit = new QLineEdit(this);
    edit->setReadOnly(!row.editable);
    // As the toolkit's length check does, the limit also stops typing.
    if (row.limit > 0) edit->setMaxLength(row.limit);
    m_edits[static_cast<std::size_t>(field)] = edit;
    groups.back().second->addRow(QString::fromLatin1(row.label), edit);
  }

  m_buttonSaveChanges = new QPushButton(QStringLiteral("&Save Changes"), this);
  m_buttonRevert = new QPushButton(QStringLiteral("&Revert"), this);
  m_buttonClose = new QPushButton(QStringLiteral("&Close"), this);
  m_buttonSaveChanges->setAutoDefault(false);
  m_buttonRevert->setAutoDefault(false);
  m_buttonClose->setDefault(true);
  // With no map in the panel there is no header to write.
  m_buttonSaveChanges->setEnabled(m_session.CanSave());
  connect(m_buttonSaveChanges, &QPushButton::clicked, this, [this] { m_run([this] { OnSaveChanges(); }); });
  connect(m_buttonRevert, &QPushButton::clicked, this, [this] { OnRevert(); });
  connect(m_buttonClose, &QPushButton::clicked, this, [this] { OnClose(); });

  // Name and Index information on the left; use, EoF and the build date on the right.
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  for (std::size_t i = 0; i < boxes.size(); ++i) (i < 2 ? left : right)->addWidget(boxes[i]);
  left->addStretch();
  right->addStretch();
  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);
  m_editCrc = new QLineEdit(this);
  m_editCrc->setReadOnly(true);
  auto* crc = new QFormLayout;
  crc->addRow(QStringLiteral("CRC32"), m_editCrc);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_buttonSaveChanges);
  buttons->addWidget(m_buttonRevert);
  buttons->addWidget(m_buttonClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addLayout(crc);
  layout->addLayout(buttons);

  ShowMembers();
  Field(jov::MapInfoField::MapName)->setFocus(Qt::OtherFocusReason);
}

jov::MapInfoTexts CMapInfoDlg::ReadFields() const {
  jov::MapInfoTexts texts;
  for (const jov::MapInfoFieldRow& row : jov::MapInfoFieldRows())
    jov::TextOf(texts, row.field) = Typed(row.field, Field(row.field)->text());
  return texts;
}

void CMapInfoDlg::ShowMembers() {
  const jov::MapInfoTexts texts = m_session.Shown();
  for (const jov::MapInfoFieldRow& row : jov::MapInfoFieldRows())
    Field(row.field)->setText(Shown(row.field, jov::TextOf(texts, row.field)));
}

bool CMapInfoDlg::Accepted(const jov::MapInfoCheck& check) {
  if (check.ok) return true;
  m_dialogs.ShowValueError(check.message);
  QLineEdit* edit = Field(check.field);
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
  return false;
}

void CMapInfoDlg::OnSaveChanges() { Accepted(m_session.SaveChanges(ReadFields())); }

void CMapInfoDlg::OnRevert() { ShowMembers(); }

void CMapInfoDlg::ShowCrc(const QString& text) { m_editCrc->setText(text); }

void CMapInfoDlg::OnClose() {
  if (Accepted(m_session.Close(ReadFields()))) accept();
}
