#include "CMapBuilderDlg.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "SortedComboBox.h"
#include "map/TagClassTable.h"
#include "platform/UserDialogs.h"

CMapBuilderDlg::CMapBuilderDlg(jov::UserDialogs& dialogs, QWidget* parent) : QDialog(parent), m_dialogs(dialogs) {
  setWindowTitle(QString::fromLatin1(jov::kMapBuilderTitle));

  m_editTagFile = new QLineEdit(this);
  m_editTagFile->setReadOnly(true);
  m_editTagName = new QLineEdit(this);
  // The class table's 80 codes, its last row being the no-class text.
  std::vector<std::string> codes;
  for (const auto& row : jov::TagClassTable::Rows()) codes.push_back(row.code);
  for (auto*& combo : m_comboClass) {
    combo = new SortedComboBox(this);
    combo->AddAllSorted(codes);
  }

  m_buttonAddTag = new QPushButton(QString::fromLatin1(jov::kAddTagButton), this);
  m_buttonLoadTag = new QPushButton(QString::fromLatin1(jov::kLoadTagButton), this);
  m_buttonCancel = new QPushButton(QString::fromLatin1(jov::kMapBuilderCancel), this);
  m_buttonAddTag->setDefault(true);
  m_buttonLoadTag->setAutoDefault(false);
  m_buttonCancel->setAutoDefault(false);
  connect(m_buttonAddTag, &QPushButton::clicked, this, [this] { OnAddTag(); });
  connect(m_buttonLoadTag, &QPushButton::clicked, this, [this] { OnLoadTag(); });
  connect(m_buttonCancel, &QPushButton::clicked, this, &QDialog::reject);

  // The tag file's path is set by "Load Tag" alone, so it is not read back.
  m_exchange.BindText(m_editTagName, m_fields.strTagName);
  m_exchange.BindText(m_comboClass[0], m_fields.strClass1, jov::kClassLimit);
  m_exchange.BindText(m_comboClass[1], m_fields.strClass2, jov::kClassLimit);
  m_exchange.BindText(m_comboClass[2], m_fields.strClass3, jov::kClassLimit);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QString::fromLatin1(jov::kTagFilenameLabel), this), 0, 0);
  grid->addWidget(m_editTagFile, 0, 1, 1, 3);
  grid->addWidget(new QLabel(QString::fromLatin1(jov::kTagNameLabel), this), 1, 0);
  grid->addWidget(m_editTagName, 1, 1, 1, 3);
  grid->addWidget(new QLabel(QString::fromLatin1(jov::kTagClassesLabel), this), 2, 0);
  for (int i = 0; i < 3; ++i) grid->addWidget(m_comboClass[i], 2, 1 + i);
  for (int column = 1; column <= 3; ++column) grid->setColumnStretch(column, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_buttonAddTag);
  buttons->addWidget(m_buttonLoadTag);
  buttons->addWidget(m_buttonCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  resize(520, 150);

  m_exchange.Load();
  m_editTagName->setFocus(Qt::OtherFocusReason);
}

void CMapBuilderDlg::OnAddTag() {
  if (!m_exchange.Save(m_dialogs)) return;
  // What is missing is said here, and the dialog stays open with what was typed.
  QStringList missing;
  if (m_fields.strTagFile.empty()) missing << QStringLiteral("a tag file (Load Tag)");
  if (m_fields.strTagName.empty()) missing << QStringLiteral("a tag name");
  if (!missing.isEmpty()) {
    m_dialogs.ShowMessage(QStringLiteral("Add Tag needs %1.").arg(missing.join(QStringLiteral(" and "))).toStdString());
    return;
  }
  accept();
}

void CMapBuilderDlg::OnLoadTag() {
  const auto path = m_dialogs.PickOpenFile(jov::kLoadTagDialog);
  if (!path) return;
  m_fields.strTagFile = *path;
  // Only the path changes: what the user typed in the other fields stays.
  m_editTagFile->setText(QFile::decodeName(QByteArray::fromStdString(*path)));
}
