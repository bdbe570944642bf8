#include "fields/SampleFields.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace jov {

namespace {

constexpr std::uint32_t kMaxBlockBytes = 0x4000;  // entries a block gets at most
constexpr int kMaxDepth = 3;

// A pointer or tag reference that needs the map's layout to be written.
struct Fixup {
  std::size_t tag;    // the tag whose metadata holds it
  std::uint32_t at;   // where in that metadata
  std::uint32_t rel;  // pointers: the offset in the same metadata pointed at
  int nameOf = -1;    // references: the tag whose name pointer goes at +4
};

void Put32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

void PutFloat(std::vector<unsigned char>& bytes, std::size_t at, float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, 4);
  Put32(bytes, at, bits);
}

class Filler {
 public:
  // order: the tags by name, so that a relaid-out sample (the same tags in
  // another order) gets the same contents.
  Filler(SampleMapPlan& plan, std::vector<std::size_t> order, std::uint32_t seed)
      : m_plan(plan), m_order(std::move(order)), m_rng(seed ^ 0x5A3C0F17u) {}

  std::uint32_t Below(std::uint32_t n) { return n == 0 ? 0 : static_cast<std::uint32_t>(m_rng() % n); }
  float Between(float lo, float hi) { return lo + (hi - lo) * static_cast<float>(Below(1000)) / 1000.0f; }

  // Fills the fields of one struct at base in tag's metadata; blocks append
  // their entries at the metadata's end.
  void Fill(std::size_t tag, const std::vector<FieldDef>& fields, std::uint32_t base, int depth,
            std::uint32_t keepFrom, std::uint32_t keepTo) {
    for (const FieldDef& field : fields) {
      const std::uint32_t at = base + field.offset;
      // The scenario's structure BSP list is the writer's.
      if (at < keepTo && at + std::max<std::uint32_t>(field.size, 1) > keepFrom) continue;
      FillField(tag, field, at, depth);
    }
  }

  std::vector<Fixup> fixups;

 private:
  std::vector<unsigned char>& Meta(std::size_t tag) { return m_plan.tags[tag].meta; }

  void FillField(std::size_t tag, const FieldDef& field, std::uint32_t at, int depth) {
    auto& meta = Meta(tag);
    if (at + field.size > meta.size()) return;
    switch (field.type) {
      case FieldType::Float:
        PutFloat(meta, at, field.unit == FieldUnit::PerTick ? Between(0.5f, 30.0f) : Between(0.0f, 10.0f));
        break;
      case FieldType::Angle: PutFloat(meta, at, Between(0.0f, 1.5707964f)); break;
      case FieldType::Int8: meta[at] = static_cast<unsigned char>(Below(20)); break;
      case FieldType::Int16: Put16(meta, at, static_cast<std::uint16_t>(1 + Below(120))); break;
      case FieldType::Int32:
      case FieldType::UInt32: Put32(meta, at, Below(1000)); break;
      case FieldType::Enum8:
      case FieldType::Enum16:
      case FieldType::Enum32: {
        std::int64_t value = 0;
        if (!field.names.empty()) {
          auto it = field.names.begin();
          std::advance(it, Below(static_cast<std::uint32_t>(field.names.size())));
          value = it->first;
        }
        PutInt(meta, at, field.size, static_cast<std::uint32_t>(value));
        break;
      }
      case FieldType::Flags8:
      case FieldType::Flags16:
      case FieldType::Flags32: {
        std::uint32_t bits = 0;
        for (const auto& [bit, name] : field.names)
          if (bit < 32 && Below(3) == 0) bits |= 1u << bit;
        PutInt(meta, at, field.size, bits);
        break;
      }
      case FieldType::String: {
        static const char* kWords[] = {"default", "primary", "alpha", "beta", "sample"};
        const std::string text = kWords[Below(5)];
        std::memcpy(meta.data() + at, text.data(), std::min<std::size_t>(text.size(), field.size - 1));
        break;
      }
      case FieldType::Range: {
        const float from = Between(0.0f, 5.0f);
        PutFloat(meta, at, from);
        PutFloat(meta, at + 4, from + Between(0.0f, 5.0f));
        break;
      }
      case FieldType::Range16:
        Put16(meta, at, static_cast<std::uint16_t>(Below(10)));
        Put16(meta, at + 2, static_cast<std::uint16_t>(10 + Below(10)));
        break;
      case FieldType::Point2:
      case FieldType::Point3:
      case FieldType::Point4:
        for (std::uint32_t i = 0; i < field.size / 4; ++i) PutFloat(meta, at + 4u * i, Between(-5.0f, 5.0f));
        break;
      case FieldType::Rect16:
        for (std::uint32_t i = 0; i < 4; ++i) Put16(meta, at + 2u * i, static_cast<std::uint16_t>(Below(640)));
        break;
      case FieldType::Color32: Put32(meta, at, 0xFF000000u | Below(0x1000000)); break;
      case FieldType::TagRef: Reference(tag, field, at); break;
      case FieldType::TagId: {
        const SampleTag& other = m_plan.tags[m_order[Below(static_cast<std::uint32_t>(m_order.size()))]];
        Put32(meta, at, other.identifier);
        break;
      }
      case FieldType::Block: Block(tag, field, at, depth); break;
      case FieldType::DataRef:
      case FieldType::Comment:
      case FieldType::Unknown: break;
    }
  }

  static void Put16(std::vector<unsigned char>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
  }

  static void PutInt(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t size, std::uint32_t value) {
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(size, 4); ++i)
      bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
  }

  void Reference(std::size_t tag, const FieldDef& field, std::uint32_t at) {
    auto& meta = Meta(tag);
    std::vector<int> candidates;
    for (const std::size_t n : m_order)
      if (field.classes.empty() ||
          std::find(field.classes.begin(), field.classes.end(), m_plan.tags[n].class1) != field.classes.end())
        candidates.push_back(static_cast<int>(n));
    if (candidates.empty() || Below(6) == 0) {
      // "none": no class, no name, identifier FFFFFFFF.
      Put32(meta, at, 0xFFFFFFFFu);
      Put32(meta, at + 12, 0xFFFFFFFFu);
      return;
    }
    const int chosen = candidates[Below(static_cast<std::uint32_t>(candidates.size()))];
    const SampleTag& other = m_plan.tags[static_cast<std::size_t>(chosen)];
    std::string code = other.class1;
    code.resize(4, '\0');
    for (std::size_t i = 0; i < 4; ++i) meta[at + i] = static_cast<unsigned char>(code[3 - i]);
    Put32(meta, at + 8, static_cast<std::uint32_t>(other.name.size()));
    Put32(meta, at + 12, other.identifier);
    fixups.push_back({tag, at + 4, 0, chosen});
  }

  void Block(std::size_t tag, const FieldDef& field, std::uint32_t at, int depth) {
    auto& meta = Meta(tag);
    if (depth >= kMaxDepth || field.entrySize == 0) return;
    std::uint32_t count = 1 + Below(3);
    while (count > 1 && count * field.entrySize > kMaxBlockBytes) --count;
    if (field.entrySize > kMaxBlockBytes) return;
    const auto start = static_cast<std::uint32_t>(meta.size());
    meta.resize(meta.size() + std::size_t{count} * field.entrySize, 0);
    Put32(meta, at, count);
    fixups.push_back({tag, at + 4, start, -1});
    for (std::uint32_t e = 0; e < count; ++e)
      Fill(tag, field.entry, start + e * field.entrySize, depth + 1, 0, 0);
  }

  SampleMapPlan& m_plan;
  std::vector<std::size_t> m_order;
  std::mt19937 m_rng;
};

}  // namespace

void GiveSampleTagsTheirFields(SampleMapPlan& plan, const DefinitionSet& definitions, std::uint32_t seed) {
  const std::size_t count = plan.tags.size();
  // The generated metadata's pointers into itself were written for the layout
  // before the field tags change size.
  const SampleLayout before = LayoutOf(plan);
  std::vector<bool> refilled(count, false);
  // Every tag but the last (which has no size), by name.
  std::vector<std::size_t> order;
  for (std::size_t n = 0; n + 1 < count; ++n) order.push_back(n);
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return plan.tags[a].name < plan.tags[b].name; });
  // The first eight of them (the scenario and the structure BSP aside) take the
  // classes the sample should show.
  std::size_t next = 0;
  for (const char* cls : kSampleFieldClasses) {
    if (std::string(cls) == "scnr") continue;
    while (next < order.size() && (plan.tags[order[next]].class1 == "scnr" || plan.tags[order[next]].class1 == "sbsp"))
      ++next;
    if (next >= order.size()) break;
    plan.tags[order[next++]].class1 = cls;
  }
  Filler filler(plan, order, seed);
  for (const std::size_t n : order) {
    SampleTag& tag = plan.tags[n];
    if (std::find_if(std::begin(kSampleFieldClasses), std::end(kSampleFieldClasses),
                     [&](const char* cls) { return tag.class1 == cls; }) == std::end(kSampleFieldClasses))
      continue;
    const ClassDef* def = definitions.Find(tag.class1);
    if (!def || def->size == 0) continue;
    const bool scenario = static_cast<int>(n) == plan.scenarioTag;
    const std::uint32_t keepFrom = scenario ? kSampleBspListAt - 12 : 0;
    const std::uint32_t keepTo =
        scenario ? kSampleBspListAt + 32 * static_cast<std::uint32_t>(plan.bsps.size()) : 0;
    tag.meta.assign(std::max(def->size, keepTo), 0);
    refilled[n] = true;
    filler.Fill(n, def->fields, 0, 0, keepFrom, keepTo);
  }
  // The sizes are final: pointers and name pointers can be written.
  const SampleLayout layout = LayoutOf(plan);
  for (const Fixup& fix : filler.fixups) {
    auto& meta = plan.tags[fix.tag].meta;
    const std::uint32_t value = fix.nameOf >= 0 ? layout.nameOffsets[static_cast<std::size_t>(fix.nameOf)] + plan.magic
                                                : layout.metaOffsets[fix.tag] + plan.magic + fix.rel;
    Put32(meta, fix.at, value);
  }
  // Every other tag's metadata moves with the new sizes, and its reflexives
  // (the generator puts their pointers at +4 of a 16-byte row) must move with
  // it: left behind, they point into whatever tag now lies there, which differs
  // from one layout of the same tags to the next.
  for (std::size_t n = 0; n < count; ++n) {
    auto& meta = plan.tags[n].meta;
    const std::uint32_t from = before.metaOffsets[n] + plan.magic;
    const std::uint32_t to = layout.metaOffsets[n] + plan.magic;
    if (refilled[n] || from == to) continue;
    for (std::size_t at = 4; at + 4 <= meta.size(); at += 16) {
      const std::uint32_t value = static_cast<std::uint32_t>(meta[at]) | static_cast<std::uint32_t>(meta[at + 1]) << 8 |
                                  static_cast<std::uint32_t>(meta[at + 2]) << 16 | static_cast<std::uint32_t>(meta[at + 3]) << 24;
      if (value - from < meta.size()) Put32(meta, at, value - from + to);
    }
  }
}

}  // namespace jov
