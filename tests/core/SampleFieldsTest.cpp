// make-sample's tags of the classes modders edit, laid out by their
// definitions: every version and several seeds and relayouts give maps the
// check passes, whose blocks all lie inside their tags and whose references
// name tags of the allowed classes.
#include <gtest/gtest.h>

#include "check/MapCheck.h"
#include "fields/FieldLocator.h"
#include "fields/FieldTree.h"
#include "scanner/ReferenceIndex.h"
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

// Every reference a definition reads is one the reference index finds, at the
// same offset, and names by the same field.
TEST(SampleFields, TheReferenceIndexFindsAndNamesEveryReferenceTheFieldsShow) {
  DefinitionSet definitions;
  definitions.LoadFolder(BuiltInDefinitionsFolder());
  for (const std::uint32_t seed : {2u, 9u}) {
    SampleMapPlan plan = GenerateSampleMap(kVersionPc, 30, seed);
    GiveSampleTagsTheirFields(plan, definitions, seed);
    testing::TestMap t(WriteSampleMap(plan));
    t.Open();
    const ReferenceIndex index(t.map);
    FieldLocator locator(t.map, definitions);
    int checked = 0;
    for (int n = 0; n + 1 < t.map.m_nTagCount; ++n) {
      const ClassDef* def = definitions.Find(t.Tag(n).strClass1);
      if (!def) continue;
      for (const FieldNode& node : BuildFieldTree(t.map, n, def).nodes) {
        if (node.type != FieldType::TagRef || !node.refTag) continue;
        SCOPED_TRACE(t.Tag(n).strClass1 + " " + node.path);
        const auto& refs = index.To(*node.refTag);
        EXPECT_NE(std::find(refs.begin(), refs.end(), TagReference{n, node.offset, ReferenceKind::Dependency}), refs.end());
        EXPECT_EQ(locator.PathAt(n, node.offset), node.path);
        ++checked;
      }
    }
    EXPECT_GT(checked, 10);
  }
}

}  // namespace
}  // namespace jov
