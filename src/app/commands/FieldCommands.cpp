// The views of the selected tag below Tag Information: a field edited in the
// Fields view, or bytes typed in the hex view below it, is one plan through
// the executor, refused on a read-only map,
// and the panel re-read after it like after any other write. The definitions
// the Fields view reads come from the built-in set and the user's folder.
#include <functional>

#include <QDir>
#include <QFileDialog>

#include "MapPanel.h"
#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "fields/FieldValue.h"
#include "map/ValueText.h"

namespace commands {

namespace {

// An edit of the Fields view or the hex view below it: planned on the tree the
// view shows, applied by the executor, the map re-read; the status line says
// what was set (done) or that the bytes were there already.
bool WriteShownTag(CommandContext& context, MapPanel& panel,
                   const std::function<jov::EditPlan(jov::CMapFile&, const jov::FieldTree&)>& planner, const QString& done) {
  bool written = false;
  context.RunCommand([&] {
    CommandContext::RequireWritable(panel);
    jov::CMapFile& map = panel.Map();
    context.KeepPlace(panel, [&] {
      const jov::EditPlan plan = planner(map, panel.ShownFields());
      written = context.DocumentOf(plan.path).Apply(plan).written;
      if (written)
        map.Reload(panel.TagTree());
      else
        context.ShowCommandStatus(
            QString::fromLatin1(jov::kNothingToWriteText).arg(QString::fromStdString(plan.label)));
    });
    if (written) context.ShowCommandStatus(panel.FileName() + QStringLiteral(": ") + done);
  });
  return written;
}

}  // namespace

bool SetField(CommandContext& context, MapPanel& panel, const std::string& path, const QString& text) {
  return WriteShownTag(
      context, panel,
      [&](jov::CMapFile& map, const jov::FieldTree& tree) { return jov::PlanFieldSet(map, tree, path, text.toStdString(), false); },
      QStringLiteral("set %1 to %2").arg(QString::fromStdString(path), text));
}

bool SetFieldBytes(CommandContext& context, MapPanel& panel, std::uint32_t offset, const std::vector<unsigned char>& bytes) {
  return WriteShownTag(
      context, panel,
      [&](jov::CMapFile& map, const jov::FieldTree& tree) { return jov::PlanMetadataBytes(map, tree, offset, bytes); },
      QStringLiteral("set metadata bytes 0x%1 to %2")
          .arg(QString::fromStdString(jov::UIntToHex(offset)),
               QString::fromStdString(jov::BytesToHex(bytes.data(), static_cast<long>(bytes.size())))));
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
