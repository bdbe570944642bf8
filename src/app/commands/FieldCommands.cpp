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

namespace {

// A folder picked from the current one (the home folder when none is set).
QString PickFolder(CommandContext& context, const QString& title, const QString& current) {
  return QFileDialog::getExistingDirectory(context.DialogParent(), title, current.isEmpty() ? QDir::homePath() : current);
}

}  // namespace

void ChooseDefinitionsFolder(CommandContext& context) {
  const QString chosen = PickFolder(context, QStringLiteral("Tag Definitions Folder"), context.DefinitionsFolder());
  if (!chosen.isEmpty()) context.SetDefinitionsFolder(chosen);
}

void ChooseResourceFolder(CommandContext& context) {
  const QString chosen = PickFolder(context, QStringLiteral("Resource Maps Folder (bitmaps.map, sounds.map, loc.map)"),
                                    context.ResourceFolder());
  if (!chosen.isEmpty()) context.SetResourceFolder(chosen);
}

}  // namespace commands
