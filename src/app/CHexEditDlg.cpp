#include "CHexEditDlg.h"

#include <QFont>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr qsizetype kBytesPerRow = 16;

// The spaced text with every 16th byte's space turned into a line break: rows of
// 16 bytes, the same characters otherwise. The box lays out only the rows in
// view, where one 3,000,000-character paragraph would be shaped whole, taking
// seconds; "Save" removes every whitespace character, line breaks included, so
// the bytes saved are the same.
QString InRows(const std::string& text) {
  QString shown = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  for (qsizetype at = 3 * kBytesPerRow - 1; at < shown.size(); at += 3 * kBytesPerRow)
    if (shown[at] == u' ') shown[at] = u'\n';
  return shown;
}

}  // namespace

CHexEditDlg::CHexEditDlg(const std::string& text, SaveAction save, CommandRunner run, QWidget* parent)
    : QDialog(parent), m_save(std::move(save)), m_run(std::move(run)) {
  setWindowTitle(QStringLiteral("Crappy Hex Editor"));
  setSizeGripEnabled(true);

  m_editText = new QPlainTextEdit(this);
  QFont font(QStringLiteral("Courier"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  m_editText->setFont(font);
  m_editText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_editText->setTabChangesFocus(false);
  // No undo history: a 3,000,000-character text would be copied into it.
  m_editText->setUndoRedoEnabled(false);

  m_buttonSave = new QPushButton(QStringLiteral("Save"), this);
  m_buttonDontSave = new QPushButton(QStringLiteral("Don't Save"), this);
  m_buttonSave->setAutoDefault(false);
  m_buttonDontSave->setDefault(true);
  connect(m_buttonSave, &QPushButton::clicked, this, [this] { OnSave(); });
  connect(m_buttonDontSave, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_buttonSave);
  buttons->addWidget(m_buttonDontSave);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_editText, 1);
  layout->addLayout(buttons);
  resize(640, 480);
  m_editText->setPlainText(InRows(text));
  m_editText->setUndoRedoEnabled(true);
}

std::string CHexEditDlg::Text() const { return m_editText->toPlainText().toLatin1().toStdString(); }

void CHexEditDlg::ShowOffset(int offset) {
  // Three characters a byte, rows or not: a row's last space became its line break.
  QTextCursor cursor = m_editText->textCursor();
  const qsizetype at = std::clamp<qsizetype>(qsizetype{3} * offset, 0, m_editText->document()->characterCount() - 1);
  cursor.setPosition(static_cast<int>(at));
  cursor.setPosition(static_cast<int>(std::min<qsizetype>(at + 2, m_editText->document()->characterCount() - 1)),
                     QTextCursor::KeepAnchor);
  m_editText->setTextCursor(cursor);
  m_editText->ensureCursorVisible();
}

void CHexEditDlg::OnSave() {
  m_run([this] {
    if (m_save) m_save(Text());
    accept();
  });
}
