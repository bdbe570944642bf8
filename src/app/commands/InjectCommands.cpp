// The commands that move a tag's metadata: Save Metadata out of it, Inject into
// it from a file, Direct Inject from the other panel's selected tag.
#include <QString>

#include "CommandNames.h"
#include "MapPanel.h"
#include "commands/CommandContext.h"
#include "commands/EditorCommands.h"
#include "history/History.h"
#include "history/StepLabel.h"
#include "transfer/DirectInjectTag.h"
#include "transfer/ExtractTagMetadata.h"
#include "transfer/InjectTagMetadata.h"

namespace {

// "weap:weapons\\pistol\\pistol": a tag as the status bar names it.
QString TagLabel(const MapPanel& panel, int tag) {
  const std::string text = panel.Map().GetTagClass(tag, 1) + ":" + panel.Map().GetTagName(tag);
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

namespace commands {

// Save Metadata and Inject read no field: a value that does not parse elsewhere
// in the window does not stand in their way.
void SaveMetadata(CommandContext& context, MapPanel& panel) {
  if (const std::optional<int> tag = panel.SelectedTag())
    jov::ExtractTagMetadata(panel.Map(), *tag, context.Dialogs());
}

void Inject(CommandContext& context, MapPanel& panel) {
  const std::optional<int> tag = panel.SelectedTag();
  if (!tag) return;
  CommandContext::RequireWritable(panel);
  jov::InjectOutcome outcome = jov::InjectOutcome::Cancelled;
  context.ApplyPlanned(panel, jov::StepLabel("Inject", panel.Map(), *tag), [&](jov::UserDialogs& dialogs) {
    outcome = jov::InjectTagMetadata(panel.Map(), *tag, dialogs);
  });
  if (outcome == jov::InjectOutcome::Completed)
    context.ShowCommandStatus(OnMap(panel, QStringLiteral("Inject: %1 %2").arg(panel.title(), TagLabel(panel, *tag))));
}

// Copies the selected tag of the panel's Direct Inject source (the other panel)
// over this panel's selected tag.
void DirectInject(CommandContext& context, MapPanel& panel) {
  if (!context.SaveControls()) return;
  MapPanel* source = panel.DirectInjectSource();
  const std::optional<int> destinationTag = panel.SelectedTag();
  const std::optional<int> sourceTag = source ? source->SelectedTag() : std::nullopt;
  if (destinationTag && sourceTag) {
    CommandContext::RequireWritable(panel);
    const int d = *destinationTag;
    // The tags a larger source overwrites are named before it runs: in the
    // question, and in the step's label should the user say Yes.
    const jov::DirectInjectSpace space = jov::DirectInjectSpaceOf(panel.Map(), d, source->Map(), *sourceTag);
    const std::string note = jov::OverwriteNote(panel.Map(), space);
    jov::DirectInjectOptions options;
    options.destinationName = panel.title().toStdString();
    jov::DirectInjectOutcome outcome = jov::DirectInjectOutcome::Declined;
    const jov::PlanOutcome written =
        context.ApplyPlanned(panel, jov::StepLabel("Direct Inject", panel.Map(), d) + note, [&](jov::UserDialogs& dialogs) {
          outcome = jov::DirectInjectTag(panel.Map(), d, source->Map(), *sourceTag, dialogs, options);
        });
    if (outcome != jov::DirectInjectOutcome::Completed) {
      // The label names what Yes would have overwritten; nothing was.
      context.ShowCommandStatus(OnMap(panel, QStringLiteral("Direct Inject %1: nothing was written.").arg(TagLabel(panel, d))));
    } else {
      // The index still ends the tag where the next one begins; the model
      // says what was written, so its last block reads as the bytes it holds.
      if (written.written && space.larger) {
        context.ReloadChangedPanels();  // the same file in the other panel: read first, then told
        for (MapPanel* view : {&panel, &context.Other(panel)}) {
          jov::CMapFile& map = view->Map();
          if (!map.m_bOpen || jov::History::KeyOf(map.m_strPath) != jov::History::KeyOf(panel.Map().m_strPath)) continue;
          if (d < map.m_nTagCount) map.m_tags[static_cast<std::size_t>(d)].nSize = space.count;
          if (view->SelectedTag() == d) view->ShowTagRecord(map.GetTagEntry(d));
        }
      }
      context.ShowCommandStatus(OnMap(panel, QStringLiteral("Direct Inject: %1 %2 -> %3 %4%5")
                                                 .arg(source->title(), TagLabel(*source, *sourceTag), panel.title(),
                                                      TagLabel(panel, d), QString::fromLatin1(note.c_str()))));
    }
  }
  context.LoadControls();
}

}  // namespace commands
