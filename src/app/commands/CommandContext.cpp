#include "commands/CommandContext.h"

#include "MapPanel.h"
#include "map/Refused.h"

namespace {

const char* const kReadOnlyRefusal = "This map is open read-only.";

}  // namespace

void CommandContext::RequireWritable(const MapPanel& panel) {
  if (panel.Map().m_bOpen && panel.Map().m_bReadOnly) throw jov::Refused(kReadOnlyRefusal);
}
