// jov-cli extract, inject, direct-inject: "Save Metadata", "Inject" and "Direct
// Inject" with the files and the answer given on the command line.
#include <iostream>

#include "cli/CliCommon.h"
#include "map/Refused.h"
#include "history/StepLabel.h"
#include "transfer/DirectInjectTag.h"
#include "transfer/ExtractTagMetadata.h"
#include "transfer/InjectTagMetadata.h"

namespace jov::cli {

namespace {

void Extract(const std::string& mapPath, const std::string& tag, const std::string& out) {
  auto opened = OpenMap(mapPath);
  const int index = ResolveTag(opened->map, tag);
  ConsoleDialogs dialogs;
  dialogs.savePath = out;
  ExtractTagMetadata(opened->map, index, dialogs);
}

void Inject(const std::string& mapPath, const std::string& tag, const std::string& in) {
  auto opened = OpenMap(mapPath);
  const int index = ResolveTag(opened->map, tag);
  ConsoleDialogs dialogs;
  dialogs.openPath = in;
  RunPlanned(*opened, StepLabel("Inject", opened->map, index), dialogs, [&] {
    if (InjectTagMetadata(opened->map, index, dialogs) != InjectOutcome::Completed) SetExitStatus(kRefused);
  });
}

constexpr const char* kNothingWritten = "Nothing was written.";
constexpr const char* kUnresolvedHint = " Give --unresolved none to set them to none.";

void DirectInject(const std::string& dstPath, const std::string& dstTag, const std::string& srcPath,
                  const std::string& srcTag, bool yes, const std::string& unresolved) {
  // Two models even when both paths name one file, as when the same map is open
  // in both panels of the editor.
  auto destination = OpenMap(dstPath);
  auto source = OpenMap(srcPath);
  const int d = ResolveTag(destination->map, dstTag);
  const int s = ResolveTag(source->map, srcTag);
  ConsoleDialogs dialogs;
  dialogs.yes = yes;
  DirectInjectOptions options;
  options.destinationName = FileNameOf(dstPath);
  // Never asked here: references of tags the destination lacks stop the
  // command unless the command line says what to make of them.
  options.unresolved = unresolved == "none" ? UnresolvedChoice::SetToNone : UnresolvedChoice::Refuse;
  const DirectInjectSpace space = DirectInjectSpaceOf(destination->map, d, source->map, s);
  DirectInjectOutcome outcome = DirectInjectOutcome::Declined;
  try {
    RunPlanned(*destination, StepLabel("Direct Inject", destination->map, d) + OverwriteNote(destination->map, space),
               dialogs, [&] {
                 outcome = DirectInjectTag(destination->map, d, source->map, s, dialogs, options);
                 if (outcome != DirectInjectOutcome::Completed) SetExitStatus(kRefused);
               });
  } catch (const UnresolvedRefused& refused) {
    throw Refused(refused.what() + std::string(kUnresolvedHint));
  }
  if (outcome != DirectInjectOutcome::Completed) {
    std::cout << kNothingWritten << '\n';
  } else if (!space.overwritten.empty() && !DryRun()) {
    std::cout << "Overwrote the metadata of " << TagListText(destination->map, space.overwritten) << ".\n";
  }
}

const Registration kRegistration([](CLI::App& app) {
  auto* extract = app.add_subcommand("extract", "\"Save Metadata\": TAG's metadata into OUT (and OUT.data)");
  static std::string extractMap, extractTag, extractOut;
  extract->add_option("MAP", extractMap, "Map file")->required();
  extract->add_option("TAG", extractTag, "Tag index or CLASS:NAME")->required();
  extract->add_option("OUT", extractOut, "The .meta file to write")->required();
  extract->callback([] { Extract(extractMap, extractTag, extractOut); });

  auto* inject = app.add_subcommand("inject", "\"Inject\": the .meta file IN over TAG's metadata");
  static std::string injectMap, injectTag, injectIn;
  inject->add_option("MAP", injectMap, "Map file")->required();
  inject->add_option("TAG", injectTag, "Tag index or CLASS:NAME")->required();
  inject->add_option("IN", injectIn, "The .meta file to read")->required();
  AddDryRun(inject);
  inject->callback([] { Inject(injectMap, injectTag, injectIn); });

  auto* direct = app.add_subcommand("direct-inject", "\"Direct Inject\": SRCTAG of SRCMAP over DSTTAG of DSTMAP");
  static std::string dstMap, dstTag, srcMap, srcTag;
  static bool yes = false;
  static std::string unresolved;
  direct->add_option("DSTMAP", dstMap, "Destination map file")->required();
  direct->add_option("DSTTAG", dstTag, "Destination tag: index or CLASS:NAME")->required();
  direct->add_option("SRCMAP", srcMap, "Source map file (may be DSTMAP)")->required();
  direct->add_option("SRCTAG", srcTag, "Source tag: index or CLASS:NAME")->required();
  direct->add_flag("--yes", yes, "Answer Yes when the source is larger than the destination");
  direct->add_option("--unresolved", unresolved,
                     "none: set references of tags DSTMAP does not have to none (without it they refuse the command)")
      ->check(CLI::IsMember({"none"}));
  AddDryRun(direct);
  direct->callback([] { DirectInject(dstMap, dstTag, srcMap, srcTag, yes, unresolved); });
});

}  // namespace

}  // namespace jov::cli
