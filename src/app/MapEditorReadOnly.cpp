// A map open read-only (by choice, or kept so because its check found an
// error) shows it before a click: every command that would write it is
// disabled, its tooltip saying why. The handlers refuse it all the same, for
// a command reached another way.
#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "CMapEditorDlg.h"
#include "MapPanel.h"

namespace {

const char* const kReadOnlyTip = "%1 is open read-only: nothing can be written to it.";
const char* const kWritableTipProperty = "jovWritableToolTip";

// Disables widget on a read-only map (on top of whatever else disabled it) and
// swaps its tooltip for the reason; the tooltip it had comes back after.
template <typename Widget>
void ShowReadOnly(Widget* widget, bool readOnly, const QString& why) {
  if (!widget->property(kWritableTipProperty).isValid()) widget->setProperty(kWritableTipProperty, widget->toolTip());
  if (readOnly) {
    widget->setEnabled(false);
    widget->setToolTip(why);
  } else {
    widget->setToolTip(widget->property(kWritableTipProperty).toString());
  }
}

}  // namespace

std::vector<QAction*> CMapEditorDlg::WritingActions(const MapPanel& panel) const {
  std::vector<QAction*> actions;
  for (const auto& [action, writes] : m_writing)
    if (writes == &panel) actions.push_back(action);
  return actions;
}

void CMapEditorDlg::ShowWritable() {
  m_toolsMenu->setToolTipsVisible(true);
  for (MapPanel* panel : {m_panel1, m_panel2}) {
    const bool readOnly = panel->Map().m_bOpen && panel->Map().m_bReadOnly;
    QString why = QString::fromLatin1(kReadOnlyTip).arg(panel->FileName());
    const QString& cause = (panel == m_panel1 ? m_check1 : m_check2).firstError;
    if (!cause.isEmpty()) why += QStringLiteral(" The check found: %1").arg(cause);
    for (QAction* action : WritingActions(*panel)) ShowReadOnly(action, readOnly, why);
    for (QPushButton* button : panel->WritingButtons()) ShowReadOnly(button, readOnly, why);
  }
}
