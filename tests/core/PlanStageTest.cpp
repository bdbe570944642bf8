// The write stage over generated command sequences: what a staged command reads
// back is what the file would hold had it written for real, and the plan it
// leaves, applied by the executor, gives exactly that file.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "edit/MapDocument.h"
#include "history/History.h"
#include "support/Planned.h"
#include "map/PlanStage.h"
#include "support/TempDir.h"
#include "support/TestMap.h"
#include "map/Refused.h"
#include "map/SampleMap.h"

namespace jov {
namespace {

using Bytes = std::vector<unsigned char>;

TEST(PlanStage, StagedWritesReadBackAndApplyAsTheDirectWritesWould) {
  testing::TempDir state;
  ::setenv("JOV_STATE_DIR", state.Path().c_str(), 1);
  testing::ReopenHistory();
  std::mt19937 random(424242);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    testing::TempDir dir;
    Bytes start(64 + random() % 400);
    for (auto& b : start) b = static_cast<unsigned char>(random());
    const std::string path = dir.Write("m.map", start);
    Bytes model = start;  // the file as direct writes would leave it

    BinaryFile file;
    file.Open(path, BinaryFile::Mode::ReadWrite, kUnnamedFile);
    PlanStage stage(file);
    file.SetStage(&stage);
    for (int op = 0; op < 1 + static_cast<int>(random() % 12); ++op) {
      switch (random() % 4) {
        case 0:
        case 1: {  // a write, sometimes past the end
          const std::uint64_t at = random() % (model.size() + 80);
          Bytes data(1 + random() % 90);
          for (auto& b : data) b = static_cast<unsigned char>(random());
          file.Write(at, data.data(), data.size());
          if (model.size() < at + data.size()) model.resize(at + data.size(), 0);
          std::copy(data.begin(), data.end(), model.begin() + static_cast<std::ptrdiff_t>(at));
          break;
        }
        case 2: {  // the length changed, shorter or longer
          const std::uint64_t length = random() % (model.size() + 100);
          file.SetLength(length);
          model.resize(length, 0);
          break;
        }
        default: {  // a read of any range, past the end too
          const std::uint64_t at = random() % (model.size() + 50);
          const std::size_t n = random() % 120;
          Bytes got(n);
          file.Read(at, got.data(), n);
          for (std::size_t k = 0; k < n; ++k)
            ASSERT_EQ(got[k], at + k < model.size() ? model[at + k] : 0) << "at " << at + k;
        }
      }
      ASSERT_EQ(file.Length(), model.size());
    }
    EditPlan plan;
    plan.label = "staged";
    plan.path = path;
    plan.lengthBefore = start.size();
    stage.FillPlan(plan);
    file.SetStage(nullptr);
    file.Close();
    ASSERT_EQ(ReadBytesFromFile(path), start) << "the stage wrote to the file";
    testing::ApplyPlan(plan);
    ASSERT_EQ(ReadBytesFromFile(path), model);
  }
  testing::ReopenHistory();
}

// One random write, length change or checked read through file, mirrored in model.
void RandomStep(std::mt19937& random, BinaryFile& file, Bytes& model) {
  switch (random() % 4) {
    case 0:
    case 1: {
      const std::uint64_t at = random() % (model.size() + 80);
      Bytes data(1 + random() % 90);
      for (auto& b : data) b = static_cast<unsigned char>(random());
      file.Write(at, data.data(), data.size());
      if (model.size() < at + data.size()) model.resize(at + data.size(), 0);
      std::copy(data.begin(), data.end(), model.begin() + static_cast<std::ptrdiff_t>(at));
      break;
    }
    case 2: {
      const std::uint64_t length = model.size() - model.size() / 4 + random() % (model.size() / 2);
      file.SetLength(length);
      model.resize(length, 0);
      break;
    }
    default: {
      const std::uint64_t at = random() % (model.size() + 50);
      Bytes got(random() % 120);
      file.Read(at, got.data(), got.size());
      for (std::size_t k = 0; k < got.size(); ++k) ASSERT_EQ(got[k], at + k < model.size() ? model[at + k] : 0) << "at " << at + k;
    }
  }
  ASSERT_EQ(file.Length(), model.size());
}

// A command planned inside another (a patch inside the editor's command) reads
// what the outer one wrote so far, its writes become the outer command's, and
// leaving it gives the outer stage back: one plan, applied once, leaves the
// file as all the writes would. A map the front ends opened is never written
// outside a stage.
TEST(PlanStage, ANestedPlanAddsToTheOuterOneAndLeavingItRestoresIt) {
  testing::TempDir state;
  ::setenv("JOV_STATE_DIR", state.Path().c_str(), 1);
  testing::ReopenHistory();
  std::mt19937 random(5151);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    testing::TestMap t(GenerateSampleMap(kVersionPc, 6, static_cast<std::uint32_t>(round)));
    t.map.File().RequireStage();
    t.Open();
    const Bytes start = ReadBytesFromFile(t.path);
    Bytes model = start;
    BinaryFile& file = t.map.File();
    const bool innerFails = round % 5 == 4;
    EditPlan inner;
    const EditPlan outer = PlanOf(t.map, "outer", [&] {
      for (int op = 0; op < 1 + static_cast<int>(random() % 6); ++op) RandomStep(random, file, model);
      WriteStage* const outerStage = file.Stage();
      Bytes innerModel = model;
      try {
        inner = PlanOf(t.map, "inner", [&] {
          ASSERT_NE(file.Stage(), outerStage);
          for (int op = 0; op < 1 + static_cast<int>(random() % 6); ++op) RandomStep(random, file, innerModel);
          if (innerFails) throw Refused("stopped");
        });
        ASSERT_FALSE(innerFails);
        // The inner plan is what it did to the outer command's file so far.
        EXPECT_EQ(inner.lengthBefore, model.size());
        model = innerModel;
      } catch (const Refused&) {
        ASSERT_TRUE(innerFails);  // a failed inner command adds nothing
      }
      ASSERT_EQ(file.Stage(), outerStage);
      for (int op = 0; op < static_cast<int>(random() % 4); ++op) RandomStep(random, file, model);
      Bytes all(model.size());
      file.Read(0, all.data(), all.size());
      ASSERT_EQ(all, model);
    });
    ASSERT_EQ(file.Stage(), nullptr);
    ASSERT_EQ(ReadBytesFromFile(t.path), start) << "a stage wrote to the file";
    EXPECT_THROW(file.Write(0, "x", 1), std::logic_error);
    EXPECT_THROW(file.SetLength(1), std::logic_error);
    ASSERT_EQ(ReadBytesFromFile(t.path), start);
    testing::ApplyPlan(outer);
    ASSERT_EQ(ReadBytesFromFile(t.path), model);
  }
  testing::ReopenHistory();
}

}  // namespace
}  // namespace jov
