// The views of the selected tag below Tag Information: a field edited in the
// Fields view is one plan through the executor, refused on a read-only map,
// and the panel re-read after it like after any other write. The definitions
// the Fields view reads come from the built-in set and the user's folder.
#include <QDir>
#include <QFileDialog>

#include "MapPanel.h"
#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "fields/FieldValue.h"

namespace commands {

bool SetField(CommandContext& context, MapPanel& panel, const std::string& path, const QString& text) {
  bool written = false;
  context.RunCommand([&] {
    CommandContext::RequireWritable(panel);
    jov::CMapFile& map = panel.Map();
    context.KeepPlace(panel, [&] {
      const jov::EditPlan plan = jov::PlanFieldSet(map, panel.ShownFields(), path, text.toStdString(), false);
      written = context.DocumentOf(plan.path).Apply(plan).written;
      if (written)
        map.Reload(panel.TagTree());
      else
        context.ShowCommandStatus(
            QString::fromLatin1(jov::kNothingToWriteText).arg(QString::fromStdString(plan.label)));
    });
    if (written)
      context.ShowCommandStatus(
          QStringLiteral("%1: set %2 to %3").arg(panel.FileName(), QString::fromStdString(path), text));
  });
  return written;
}

void ChooseDefinitionsFolder(CommandContext& context) {
  const QString folder = context.DefinitionsFolder();
  const QString chosen = QFileDialog::getExistingDirectory(context.DialogParent(),
                                                           QStringLiteral("Tag Definitions Folder"),
                                                           folder.isEmpty() ? QDir::homePath() : folder);
  if (!chosen.isEmpty()) context.SetDefinitionsFolder(chosen);
}

void ChooseResourceFolder(CommandContext& context) {
  const QString folder = context.ResourceFolder();
  const QString chosen = QFileDialog::getExistingDirectory(context.DialogParent(),
                                                           QStringLiteral("Resource Maps Folder (bitmaps.map, sounds.map, loc.map)"),
                                                           folder.isEmpty() ? QDir::homePath() : folder);
  if (!chosen.isEmpty()) context.SetResourceFolder(chosen);
}

}  // namespace commands
