#include "dxf/blocks.h"

#include <algorithm>
#include <cmath>

#include "geometry/entity.h"

namespace tibrel {

namespace {

DxfPoint3 Plus(DxfPoint3 a, DxfPoint3 b) { return {a.X + b.X, a.Y + b.Y, a.Z + b.Z}; }
DxfPoint3 Times(DxfPoint3 a, double k) { return {a.X * k, a.Y * k, a.Z * k}; }

// MINSERT copies of a direction with no spacing fall on one another: one is
// made. Counts below 1 are 1.
long GridCount(long count, double spacing) { return spacing == 0 ? 1 : std::max(count, 1L); }

// Polled every this many entities made.
constexpr size_t CancelPollEvery = 1 << 16;

class Expander {
 public:
  Expander(const DXF_Object& d, const InsertSink& sink, InsertOutcome& outcome, const PassControl& control)
      : drawing_(d), sink_(sink), outcome_(outcome), control_(control) {}

  void Insert(const Insert_& ins, const std::string& layer, const DxfAffine& outer, int level) {
    const std::string key = BlockKey(ins.Block);
    const auto it = drawing_.Blocks.find(key);
    if (it == drawing_.Blocks.end()) return LeaveOut("Block \"" + ins.Block + "\" is not defined and was not inserted.");
    if (std::find(stack_.begin(), stack_.end(), key) != stack_.end())
      return LeaveOut("Block \"" + ins.Block + "\" inserts itself and was not inserted.");
    if (level > MaxBlockNesting)
      return LeaveOut("Blocks nested more than " + std::to_string(MaxBlockNesting) + " deep in \"" + ins.Block +
                      "\" were not inserted.");
    const DxfBlock& block = it->second;
    if (block.UnreadSpline) outcome_.UnreadSpline = true;
    stack_.push_back(key);
    const long rows = GridCount(ins.Rows, ins.RowSpacing), columns = GridCount(ins.Columns, ins.ColumnSpacing);
    for (long r = 0; r < rows && Going(); ++r)
      for (long c = 0; c < columns && Going(); ++c) {
        Count(1);
        const DxfAffine place = outer.After(InsertPlacement(ins, block.Base, r, c));
        Contents(block, layer, place, level);
      }
    stack_.pop_back();
  }

 private:
  bool Going() const { return !outcome_.Cancelled && outcome_.Made <= MaxInsertedEntities; }

  void Count(size_t n) {
    const size_t before = outcome_.Made;
    outcome_.Made += n;
    if (before <= MaxInsertedEntities && outcome_.Made > MaxInsertedEntities)
      LeaveOut("The inserts of this drawing make more than " + std::to_string(MaxInsertedEntities) +
               " entities: the rest were not inserted.");
    if (before / CancelPollEvery != outcome_.Made / CancelPollEvery && control_.Cancelled()) outcome_.Cancelled = true;
  }

  void Contents(const DxfBlock& block, const std::string& layer, const DxfAffine& place, int level) {
    for (const auto& item : block.Items) {
      if (!Going()) return;
      const std::string& to = item.Layer == "0" ? layer : item.Layer;
      if (auto* nested = dynamic_cast<const Insert_*>(item.Entity.get())) {
        Insert(*nested, to, place, level + 1);
        continue;
      }
      made_.clear();
      TransformEntity(*item.Entity, place, made_);
      Count(made_.size());
      for (auto& e : made_) sink_(to, std::move(e));
    }
  }

  void LeaveOut(const std::string& why) {
    outcome_.LeftOut = true;
    if (std::find(outcome_.Notices.begin(), outcome_.Notices.end(), why) == outcome_.Notices.end())
      outcome_.Notices.push_back(why);
  }

  const DXF_Object& drawing_;
  const InsertSink& sink_;
  InsertOutcome& outcome_;
  const PassControl& control_;
  std::vector<std::string> stack_;  // keys of the blocks being inserted, outermost first
  std::vector<std::unique_ptr<DXF_Entity>> made_;
};

}  // namespace

std::string BlockKey(std::string_view name) {
  std::string key(name);
  for (auto& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return key;
}

std::unique_ptr<Insert_> InsertFromGroups(const DxfGroups& groups) {
  auto ins = std::make_unique<Insert_>();
  DxfPoint3 at, extrusion{0, 0, 1};
  for (const DxfGroup& g : groups) {
    switch (g.Code) {
      case 2: ins->Block = std::string(TrimGroupValue(g.Value)); break;
      case 10: at.X = GroupReal(g); break;
      case 20: at.Y = GroupReal(g); break;
      case 30: at.Z = GroupReal(g); break;
      case 41: ins->Scale.X = GroupReal(g); break;
      case 42: ins->Scale.Y = GroupReal(g); break;
      case 43: ins->Scale.Z = GroupReal(g); break;
      case 44: ins->ColumnSpacing = GroupReal(g); break;
      case 45: ins->RowSpacing = GroupReal(g); break;
      case 50: ins->Rotation = GroupReal(g); break;
      case 62: ins->Colour = static_cast<int>(GroupInteger(g)); break;
      case 70: ins->Columns = GroupInteger(g); break;
      case 71: ins->Rows = GroupInteger(g); break;
      case 210: extrusion.X = GroupReal(g); break;
      case 220: extrusion.Y = GroupReal(g); break;
      case 230: extrusion.Z = GroupReal(g); break;
      default: break;
    }
  }
  const std::optional<DxfOcs> ocs = OcsFromExtrusion(extrusion);
  ins->P1 = ocs ? ocs->ToWorld(at) : at;
  ins->SetOcs(ocs);
  return ins;
}

DxfAffine InsertPlacement(const Insert_& ins, const DxfPoint3& base, long row, long column) {
  DxfPoint3 ax{1, 0, 0}, ay{0, 1, 0}, az{0, 0, 1};
  if (ins.Ocs) ax = ins.Ocs->Ax, ay = ins.Ocs->Ay, az = ins.Ocs->Az;
  const double rot = ins.Rotation * Pi / 180, c = std::cos(rot), s = std::sin(rot);
  // The block's X and Y axes after the turn, in world coordinates.
  const DxfPoint3 rx = Plus(Times(ax, c), Times(ay, s)), ry = Plus(Times(ax, -s), Times(ay, c));
  DxfAffine m;
  m.X = Times(rx, ins.Scale.X);
  m.Y = Times(ry, ins.Scale.Y);
  m.Z = Times(az, ins.Scale.Z);
  const DxfPoint3 grid = Plus(Times(rx, static_cast<double>(column) * ins.ColumnSpacing),
                              Times(ry, static_cast<double>(row) * ins.RowSpacing));
  m.Origin = Plus(Plus(ins.P1, grid), Times(m.Direction(base), -1));
  return m;
}

void ExpandInsert(const DXF_Object& drawing, const Insert_& insert, const std::string& layer, const DxfAffine& outer,
                  const InsertSink& sink, InsertOutcome& outcome, const PassControl& control) {
  Expander(drawing, sink, outcome, control).Insert(insert, layer, outer, 1);
}

void ExpandInserts(DXF_Object& drawing, const PassControl& control) {
  std::vector<std::pair<const Insert_*, std::string>> inserts;
  for (const auto& layer : drawing.Layers)
    for (const auto& list : layer->Lists) {
      if (list->ClassName != "Insert_") continue;
      for (const auto& e : list->Entities) inserts.emplace_back(static_cast<const Insert_*>(e.get()), layer->Name);
    }
  if (inserts.empty()) return;
  InsertOutcome outcome;
  const InsertSink sink = [&drawing](const std::string& layer, std::unique_ptr<DXF_Entity> e) {
    drawing.LayerNamed(layer).Add(std::move(e));
  };
  for (const auto& [ins, layer] : inserts) {
    ExpandInsert(drawing, *ins, layer, DxfAffine{}, sink, outcome, control);
    if (outcome.Cancelled) return;
  }
  for (const auto& n : outcome.Notices) drawing.Notice(n);
  if (outcome.LeftOut) drawing.Notice(BlockNotInsertedNotice);
  if (outcome.UnreadSpline) drawing.Notice(SplineNotReadNotice);
}

}  // namespace tibrel
