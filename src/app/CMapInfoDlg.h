#pragma once
#include <QDialog>
#include <array>

#include "CommandRunner.h"
#include "map/MapInfoFields.h"

class QLineEdit;
class QPushButton;

namespace jov {
class UserDialogs;
}

// "Map Info": the header of the map in one panel, in five groups. The fields are
// read back through the session (reading order, limits, the toolkit's messages):
// "&Save Changes" reads them and sets the save flag, "&Close" (the default
// button, so also Enter) reads them and closes when they all parse, "&Revert"
// shows the members again. Escape closes without reading; there is no close box.
// The header is written by the command once the dialog has closed.
class CMapInfoDlg : public QDialog {
  Q_OBJECT

 public:
  CMapInfoDlg(jov::MapInfoSession& session, jov::UserDialogs& dialogs, CommandRunner run, QWidget* parent = nullptr);

  QLineEdit* Field(jov::MapInfoField field) const { return m_edits[static_cast<std::size_t>(field)]; }

  // "CRC32": the stored and computed values (read-only; Tools has the fix).
  void ShowCrc(const QString& text);
  QLineEdit* m_editCrc;

  QPushButton* m_buttonSaveChanges;
  QPushButton* m_buttonRevert;
  QPushButton* m_buttonClose;

 private:
  void OnSaveChanges();
  void OnRevert();
  void OnClose();
  jov::MapInfoTexts ReadFields() const;
  void ShowMembers();
  // The toolkit's message for a field that did not parse, and the focus on it.
  bool Accepted(const jov::MapInfoCheck& check);

  jov::MapInfoSession& m_session;
  jov::UserDialogs& m_dialogs;
  CommandRunner m_run;
  std::array<QLineEdit*, jov::kMapInfoFieldCount> m_edits{};
};
