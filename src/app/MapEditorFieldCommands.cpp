// The views of the selected tag below Tag Information: a field edited in the
// Fields view is one plan through the executor, refused on a read-only map,
// and the panel re-read after it like after any other write.
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QSettings>

#include "CMapEditorDlg.h"
#include "FieldsView.h"
#include "MapPanel.h"
#include "QtTreeView.h"
#include "fields/FieldValue.h"
#include "map/Refused.h"

void CMapEditorDlg::ConnectTagViews(MapPanel& panel) {
  panel.m_fields->SetWriter([this, &panel](const std::string& path, const QString& text) {
    bool written = false;
    RunCommand([&] {
      RequireWritable(panel);
      jov::CMapFile& map = panel.Map();
      KeepPlace(panel, [&] {
        const jov::EditPlan plan = jov::PlanFieldSet(map, panel.m_fields->Tree(), path, text.toStdString(), false);
        written = DocumentOf(plan.path).Apply(plan).written;
        if (written) map.Reload(*panel.m_treeTags);
        else
          ShowCommandStatus(QString::fromLatin1(jov::kNothingToWriteText).arg(QString::fromStdString(plan.label)));
      });
      if (written)
        ShowCommandStatus(QStringLiteral("%1: set %2 to %3").arg(panel.FileName(), QString::fromStdString(path), text));
    });
    return written;
  });
}

void CMapEditorDlg::SetDefinitionsFolder(const QString& folder) {
  m_definitionsFolder = folder;
  if (m_settings) m_settings->setValue(QStringLiteral("definitions/folder"), folder);
  auto definitions =
      std::make_shared<const jov::DefinitionSet>(jov::LoadDefinitions(QFile::encodeName(folder).toStdString()));
  // A skipped file is named once, with its line; the rest of the folder is used.
  std::string skipped;
  for (const std::string& message : definitions->Messages()) skipped += (skipped.empty() ? "" : "\n") + message;
  if (!skipped.empty()) m_dialogs.ShowMessage(skipped);
  for (MapPanel* panel : {&Panel1(), &Panel2()}) panel->m_fields->SetDefinitions(definitions);
}

void CMapEditorDlg::AddFieldsCommands(QMenu* tools) {
  tools->addSeparator();
  QAction* folder = AddCommand(tools, QStringLiteral("Defini&tions Folder..."), [this] {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Tag Definitions Folder"),
        m_definitionsFolder.isEmpty() ? QDir::homePath() : m_definitionsFolder);
    if (!chosen.isEmpty()) SetDefinitionsFolder(chosen);
  });
  folder->setToolTip(QStringLiteral("Your own tag definitions (JSON or plugin XML files), read after the built-in "
                                    "ones: a class defined there wins"));
}
