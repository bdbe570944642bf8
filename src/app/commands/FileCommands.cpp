// The File and Help menus' commands, and Find of the Edit menu.
#include <QFile>
#include <QWidget>

#include "CAboutDlg.h"
#include "MapPanel.h"
#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "platform/UserDialogs.h"

namespace commands {

void OpenMap(CommandContext& context, MapPanel& panel) {
  if (!context.SaveControls()) return;
  // The picker comes first: a panel holding a map keeps it if the user cancels.
  static const jov::FileDialogOptions openMap{"Halo Mapfile (*.map)|*.map|All Files (*.*)|*.*||", "map", "*.map", true};
  // The title says which panel the map goes into ("Open Map 1").
  jov::FileDialogOptions options = openMap;
  options.title = QStringLiteral("Open %1").arg(panel.title()).toStdString();
  const auto picked = context.Dialogs().PickOpenFile(options);
  if (!picked) {
    // An empty panel shows the model's name for no map, as it always has.
    if (!panel.Map().m_bOpen) {
      panel.SetCaption(panel.Map().GetHeaderInfo().m_strNickname);
      context.LoadControls();
    }
    return;
  }
  context.OpenMapPath(panel, QFile::decodeName(picked->c_str()));
}

void CloseMap(CommandContext& context, MapPanel& panel) {
  if (!context.SaveControls()) return;
  const QString name = panel.FileName();
  panel.Map().Close(panel.TagTree());
  panel.ShowMapClosed();
  context.LoadControls();
  if (!name.isEmpty()) context.ShowCommandStatus(QStringLiteral("Closed %1").arg(name));
}

void Exit(CommandContext& context) { context.DialogParent()->close(); }

void Find(CommandContext& context) {
  MapPanel* panel = context.FocusedPanel();
  (panel ? *panel : context.Panel(1)).FocusFilter();
}

void About(CommandContext& context) {
  CAboutDlg about(context.DialogParent());
  about.exec();
}

}  // namespace commands
