#pragma once

class CommandContext;

// Mods: Tools > "Make Mod from Map 1 and Map 2..." and File > "Apply Mod...".
namespace commands {

// The field edits that make Map 1's tags Map 2's, saved as a .jovmod file
// after the title, the author and what the mod leaves out were shown.
void MakeMod(CommandContext& context);
// A mod and maps chosen (several at once, any folder), the table shown as a
// preview, each map written as one step, then the table of what was written.
void ApplyMod(CommandContext& context);

}  // namespace commands
