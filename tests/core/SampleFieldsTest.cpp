// make-sample's tags of the classes modders edit, laid out by their
// definitions: every version and several seeds and relayouts give maps the
// check passes, whose blocks all lie inside their tags and whose references
// name tags of the allowed classes.
#include <gtest/gtest.h>

#include "check/MapCheck.h"
#include "fields/FieldTree.h"
#include "fields/SampleFields.h"
#include "support/TestMap.h"

namespace jov {
namespace {

TEST(SampleFields, EveryClassShownIsLaidOutSoundlyInEveryVersionSeedAndLayout) {
  DefinitionSet definitions;
  definitions.LoadFolder(BuiltInDefinitionsFolder());
  for (const std::uint16_t version : {kVersionXbox, kVersionPc, kVersionCe}) {
    for (const std::uint32_t seed : {1u, 7u, 31u}) {
      for (const std::uint32_t relayout : {0u, 3u}) {
        SCOPED_TRACE(std::to_string(version) + " seed " + std::to_string(seed) + " relayout " + std::to_string(relayout));
        SampleMapPlan plan = GenerateSampleMap(version, 24, seed, 256, relayout);
        GiveSampleTagsTheirFields(plan, definitions, seed);
        testing::TestMap t(WriteSampleMap(plan));
        t.Open();
        const CheckReport report = CheckMap(t.map);
        EXPECT_EQ(report.errors, 0);
        std::vector<std::string> shown;
        for (int n = 0; n < t.map.m_nTagCount; ++n) {
          const std::string cls = t.Tag(n).strClass1;
          const ClassDef* def = definitions.Find(cls);
          if (!def || std::find(std::begin(kSampleFieldClasses), std::end(kSampleFieldClasses), cls) ==
                          std::end(kSampleFieldClasses))
            continue;
          if (n + 1 == t.map.m_nTagCount) continue;  // the last tag has no size
          shown.push_back(cls);
          const FieldTree tree = BuildFieldTree(t.map, n, def);
          EXPECT_TRUE(tree.messages.empty()) << cls << ": " << tree.messages.front();
          int blocks = 0;
          int blocksWithEntries = 0;
          for (const FieldNode& node : tree.nodes) {
            blocks += node.type == FieldType::Block;
            EXPECT_EQ(node.error, "") << cls << " " << node.path;
            if (node.type == FieldType::Block && node.count > 0) ++blocksWithEntries;
            if (node.type == FieldType::TagRef && node.refTag && node.def && !node.def->classes.empty()) {
              const std::string target = t.Tag(*node.refTag).strClass1;
              EXPECT_NE(std::find(node.def->classes.begin(), node.def->classes.end(), target), node.def->classes.end())
                  << cls << " " << node.path << " names a " << target;
            }
          }
          if (blocks > 0) {
            EXPECT_GT(blocksWithEntries, 0) << cls;
          }
        }
        for (const char* cls : kSampleFieldClasses)
          EXPECT_NE(std::find(shown.begin(), shown.end(), cls), shown.end()) << cls << " not in the sample";
      }
    }
  }
}

}  // namespace
}  // namespace jov
