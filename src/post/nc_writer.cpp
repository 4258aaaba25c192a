#include "post/nc_writer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "core/files.h"
#include "core/numbers.h"

namespace tibrel {

namespace {

enum MoveKinds : int { KindNone = -1, KindLinear = 0, KindRapid = 1, KindArcCW = 2, KindArcCCW = 3, KindDrill = 11 };

bool NameBegins(const std::string& name, const char* prefix) {
  std::string upper = name;
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper.rfind(prefix, 0) == 0;
}

class NcWriter {
 public:
  NcWriter(const TTBPostProcessor& post, const TTBMachiningParameters& params, std::string& out)
      : post_(post), params_(params), out_(out) {
    for (int t = 0; t < TokenCount; ++t) fmt_[t] = TokenFormatter(post.Tokens[t]);
    lineNumber_ = static_cast<double>(post.Start) - post.Increment;
    plasma_ = NameBegins(post.Name, "PLASMA");
    protoTrax_ = NameBegins(post.Name, "PROTO TRAX PLUS");
    // A post without a drill script cannot drill with a canned cycle; its
    // holes are drilled with plain moves instead.
    drillScript_ = !post.Scripts[2 * ScriptDrill].Entries.empty() || !post.Scripts[2 * ScriptDrill + 1].Entries.empty();
    link_ = MakeLine(0, 0, 0, 0);
  }

  void Lines(const std::vector<std::string>& lines) {
    for (const auto& l : lines) Put(l);
  }

  void Toolpaths(const TTBOutRegionArray& list) {
    for (size_t i = 1; i < list.size(); ++i) {
      const TTBOutRegion& t = list[i];
      if (t.Entities.empty()) continue;
      Toolpath(t, i + 1 < list.size() ? &list[i + 1] : nullptr);
    }
  }

  void FinalRetract() {
    SetLinkEnd(LinkStart());
    TakeXYAsWritten(Clearance());
    out_ += MoveLine(link_, true, Clearance());
    out_ += '\n';
  }

 protected:
  void Put(const std::string& line) {
    out_ += line;
    out_ += '\n';
  }
  void PutIfAny(const std::string& line) {
    if (!line.empty()) Put(line);
  }

  void NextLineNumber() {
    lineNumber_ += post_.Increment;
    if (lineNumber_ > post_.MaxBlock) lineNumber_ = post_.Start;
  }
  std::string LineNumberWord() const { return fmt_[TokenNt].Word(lineNumber_); }

  double Value(int32_t variable) const { return variable >= 0 && variable < VariableCount ? vars_[variable] : 0.0; }
  void Format(int t) { cur_[t] = fmt_[t].Word(Value(post_.Tokens[t].Variable)); }
  void FormatFeed(double feed) {
    prev_[TokenFt].clear();
    cur_[TokenFt] = fmt_[TokenFt].Word(feed);
  }

  TTBPoint LinkStart() const { return {link_.X, link_.Y}; }
  void SetLinkStart(TTBPoint p) { link_.X = p.X, link_.Y = p.Y; }
  void SetLinkEnd(TTBPoint p) { link_.X2 = p.X, link_.Y2 = p.Y; }

  void MoveVariables(const TTBEntity& e, double depth) {
    TTBPoint s, t;
    EntityEnds(e, s, t);
    vars_[VarSx] = s.X, vars_[VarSy] = s.Y, vars_[VarSz] = depth;
    vars_[VarEx] = t.X, vars_[VarEy] = t.Y, vars_[VarEz] = -depth;
    if (e.Radius != 0) {
      vars_[VarSa] = e.X2, vars_[VarEa] = e.Y2, vars_[VarRad] = std::fabs(e.Radius);
      vars_[VarCx] = e.X, vars_[VarCy] = e.Y, vars_[VarIi] = e.X - s.X, vars_[VarJi] = e.Y - s.Y;
    } else {
      vars_[VarSa] = vars_[VarEa] = vars_[VarRad] = vars_[VarCx] = vars_[VarCy] = vars_[VarIi] = vars_[VarJi] = 0;
    }
    vars_[VarNv] = lineNumber_;
  }

  // One numbered move line: the script by the move's kind, Single Move when
  // the kind changed, Continuous when it repeats.
  std::string MoveLine(const TTBEntity& e, bool rapid, double depth) {
    NextLineNumber();
    int kind = e.Radius < 0 ? KindArcCW : e.Radius > 0 ? KindArcCCW : rapid ? KindRapid : KindLinear;
    const int slot = 2 * kind + (lastKind_ == kind ? 1 : 0);
    lastKind_ = kind;
    MoveVariables(e, depth);
    return ScriptLine(post_.Scripts[slot]);
  }

  std::string DrillLine(const TTBEntity& e, double depth) {
    NextLineNumber();
    const int slot = 2 * ScriptDrill + (lastKind_ == KindDrill ? 1 : 0);
    lastKind_ = KindDrill;
    MoveVariables(e, depth);
    return ScriptLine(post_.Scripts[slot]);
  }

  std::string ScriptLine(const TTBScript& script) {
    std::string line;
    for (const auto& entry : script.Entries) {
      const int t = entry.Token;
      if (t == -1) {
        if (script.Command != "<null>") line += script.Command;
        continue;
      }
      if (t < 0 || t >= TokenCount) continue;
      if (t != TokenFt && t != TokenSt && t != TokenTt) Format(t);
      if (!entry.Modal || cur_[t] != prev_[t]) line += cur_[t];
    }
    prev_ = cur_;
    return line;
  }

  std::string ToolScriptLine(const TTBScript& script, double tool) {
    std::array<double, VariableCount> v{};
    v[VarNv] = lineNumber_;
    v[VarTn] = tool;
    std::string line;
    for (const auto& entry : script.Entries) {
      const int t = entry.Token;
      if (t == -1) {
        if (script.Command != "<null>") line += script.Command;
      } else if (t == TokenFt || t == TokenSt || t == TokenTt) {
        line += cur_[t];
      } else if (t >= 0 && t < TokenCount) {
        const int32_t var = post_.Tokens[t].Variable;
        line += fmt_[t].Word(var >= 0 && var < VariableCount ? v[var] : 0.0);
      }
    }
    return line;
  }

  void ToolpathWords(const TTBOutRegion& t) {
    vars_[VarFr] = t.FeedRate, vars_[VarSs] = t.SpindleRPM, vars_[VarTn] = t.ToolNumber;
    if (t.LinkMode > 1) vars_[VarCv] = -t.ApproachDepth;
    Format(TokenFt);
    Format(TokenSt);
    Format(TokenTt);
    if (t.LinkMode > 1) Format(TokenCt);
    for (int k = TokenMisc1t; k <= TokenMisc5t; ++k) cur_[k].clear();
  }

  void ToolChange(double tool) {
    lastTool_ = tool;
    for (const auto& l : post_.MiniPost.ToolHeader) {
      NextLineNumber();
      PutIfAny(LineNumberWord() + l);
    }
    for (const auto& s : post_.MiniPost.ToolScripts) {
      NextLineNumber();
      const std::string line = ToolScriptLine(s, tool);
      if (line.empty()) lineNumber_ -= post_.Increment;
      else Put(line);
    }
    for (const auto& l : post_.MiniPost.ToolFooter) {
      NextLineNumber();
      PutIfAny(LineNumberWord() + l);
    }
  }

  // Up to the approach depth where the cutter is, then over to `to` at that
  // height; the link then stands at `to`.
  void LiftAndMoveOver(TTBPoint to, double approach) {
    RiseHere(approach);
    MoveOver(to, approach);
  }
  void MoveOver(TTBPoint to, double approach) {
    SetLinkStart(position_);
    position_ = to;
    SetLinkEnd(to);
    PutIfAny(MoveLine(link_, true, approach));
    SetLinkStart(to);
    placed_ = true;
  }

  // Feeds down to the depth where the link ends, at the plunge rate.
  void Plunge(const TTBOutRegion& t) {
    raised_ = false;
    FormatFeed(t.PlungeRate);
    PutIfAny(MoveLine(link_, false, t.Depth));
  }

  // A plasma post pierces with the line its fifth misc token gives; every
  // other post plunges.
  void PlungeOrPierce(const TTBOutRegion& t) {
    if (!plasma_) return Plunge(t);
    NextLineNumber();
    PutIfAny(LineNumberWord() + post_.Tokens[TokenMisc5t].Address);
  }

  // A hole with plain moves: up to the clearance where the cutter is, over
  // the hole, down to the depth at the plunge rate, and back up.
  void LinearHole(const TTBOutRegion& t, const TTBEntity& hole) {
    LiftAndMoveOver({hole.X, hole.Y}, t.ApproachDepth);
    Plunge(t);
    PutIfAny(MoveLine(link_, true, t.ApproachDepth));
    raised_ = t.ApproachDepth <= Clearance();
    cur_[TokenFt] = fmt_[TokenFt].Word(t.FeedRate);
  }

  // The clearance above the stock, as a depth (negative is above the top).
  double Clearance() const { return -params_.RapidHeight; }

  // Where the program has not placed the cutter yet its X and Y are unknown:
  // the next move line at the same XY takes its X and Y words as written, so
  // that with modal words it holds Z alone instead of a move from nowhere.
  void TakeXYAsWritten(double depth) {
    if (placed_) return;
    MoveVariables(link_, depth);
    for (int t = 0; t < TokenCount; ++t) {
      const int32_t v = post_.Tokens[t].Variable;
      if (v == VarSx || v == VarSy || v == VarEx || v == VarEy) prev_[t] = fmt_[t].Word(Value(v));
    }
  }

  // Straight up (a rapid) to depth where the cutter stands.
  void RiseHere(double depth) {
    SetLinkStart(position_);
    SetLinkEnd(position_);
    TakeXYAsWritten(depth);
    PutIfAny(MoveLine(link_, true, depth));
    raised_ = depth <= Clearance();
  }

  // After lines the writer does not build (the header, a tool change block)
  // the controller's modal state is unknown: the next move writes its motion
  // word and every word again.
  void ForgetModalWords() {
    lastKind_ = KindNone;
    prev_ = TTBTokenString{};
  }

  void Toolpath(const TTBOutRegion& t, const TTBOutRegion* next) {
    ToolpathWords(t);
    bool fresh = !placed_;
    if (static_cast<double>(t.ToolNumber) != lastTool_) {
      // Spindle stops, pauses and tool changes happen above the stock.
      if (!raised_) RiseHere(Clearance());
      ToolChange(t.ToolNumber);
      ForgetModalWords();
      fresh = true;
    }
    const TTBPoint start = PathStart(t);
    // The first path of a program and the first after a tool change are
    // reached from above, whatever link they ask for: up to the clearance
    // (or the path's own higher approach), over to the start, down at the
    // plunge rate.
    if (fresh && t.LinkMode != 2 && t.LinkMode != 4 && t.LinkMode < 5) {
      const double approach = std::min(t.ApproachDepth, Clearance());
      if (!raised_ || approach < Clearance()) RiseHere(approach);
      MoveOver(start, approach);
      PlungeOrPierce(t);
      cur_[TokenFt] = fmt_[TokenFt].Word(t.FeedRate);
      CutPath(t, start, next);
      return;
    }
    switch (t.LinkMode) {
      case LinkStayDown:
        placed_ = true;
        raised_ = false;
        position_ = start;
        SetLinkEnd(position_);
        PutIfAny(MoveLine(link_, false, t.Depth));
        break;
      case LinkLift:
        LiftAndMoveOver(start, t.ApproachDepth);
        PlungeOrPierce(t);
        cur_[TokenFt] = fmt_[TokenFt].Word(t.FeedRate);
        break;
      case LinkRunStart:
        SetLinkEnd(position_);
        Plunge(t);
        cur_[TokenFt] = fmt_[TokenFt].Word(t.FeedRate);
        break;
      case 2:
        break;
      case 4:
        return;
      default:
        if (t.LinkMode < 5) break;
        if (t.LinkMode == LinkDrillLinear || !drillScript_) {
          LinearHole(t, t.Entities.front());
        } else {
          link_ = t.Entities.front();
          PutIfAny(DrillLine(link_, t.Depth));
          position_ = {link_.X, link_.Y};
          placed_ = true;
          raised_ = false;
        }
        link_ = MakeLine(position_.X, position_.Y, position_.X, position_.Y);
        return;
    }
    CutPath(t, start, next);
  }

  // The entry move, the path's entities, the repeat of the last move and
  // the exit move, all at the path's depth.
  void CutPath(const TTBOutRegion& t, TTBPoint start, const TTBOutRegion* next) {
    // The cutter is fed to the path's start at depth when it stands
    // elsewhere (a path plunged where the last one left off, after its exit
    // move), and always before an entry move.
    const bool away = std::fabs(position_.X - start.X) > 1e-9 || std::fabs(position_.Y - start.Y) > 1e-9;
    if (HasEntryMove(t) || away) {
      position_ = start;
      SetLinkEnd(position_);
      PutIfAny(MoveLine(link_, false, t.Depth));
    }
    if (HasEntryMove(t)) PutIfAny(MoveLine(t.EntryMove, false, t.Depth));
    for (const auto& e : t.Entities) PutIfAny(MoveLine(e, false, t.Depth));
    // Once more for the last move, which with modal words usually holds only
    // what is not modal. An arc is not repeated as an arc: without its end
    // point a controller would read I and J alone as a full circle. Its
    // repeat is left out (its line number used up), or, where the post ends
    // paths on it, given as a move that stays at the arc's end.
    const TTBEntity& last = t.Entities.back();
    if (protoTrax_ && !HasExitMove(t)) {
      const TTBPoint end = EntityEnd(last);
      std::string again = MoveLine(last.Radius == 0 ? last : MakeLine(end.X, end.Y, end.X, end.Y), false, t.Depth);
      if (next == nullptr) PutIfAny(again);
      else if (next->LinkMode == LinkLift) Put(CarriageReturn(again));
    } else if (last.Radius == 0) {
      PutIfAny(MoveLine(last, false, t.Depth));
    } else {
      NextLineNumber();
    }
    if (HasExitMove(t)) {
      std::string exit = MoveLine(t.ExitMove, false, t.Depth);
      if (protoTrax_) Put(CarriageReturn(exit));
      else PutIfAny(exit);
    }
    position_ = PathEnd(t);
    link_ = MakeLine(position_.X, position_.Y, position_.X, position_.Y);
  }

  static std::string CarriageReturn(std::string line) {
    if (!line.empty()) line.pop_back();
    return line + " CR-;";
  }

  const TTBPostProcessor& post_;
  const TTBMachiningParameters& params_;
  std::string& out_;
  std::array<TokenFormatter, TokenCount> fmt_;
  std::array<double, VariableCount> vars_{};
  TTBTokenString cur_, prev_;
  double lineNumber_ = 0;
  TTBPoint position_{0, 0};
  TTBEntity link_;
  int lastKind_ = KindNone;
  double lastTool_ = -1;
  bool placed_ = false;  // the program has put the cutter at a known XY
  bool raised_ = false;  // the cutter stands at the clearance height or above
  bool plasma_ = false, protoTrax_ = false, drillScript_ = true;
};

// Comment text with nothing that could end the comment or the line.
std::string CommentText(const TTBPostProcessor& post, std::string text) {
  for (auto& c : text)
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
  for (const std::string* mark : {&post.Comment, &post.EndComment}) {
    if (mark->empty()) continue;
    for (size_t at; (at = text.find(*mark)) != std::string::npos;) text.erase(at, mark->size());
  }
  return post.Comment + text + post.EndComment;
}

// The prototype writer: the same line building, scripts and safety rules
// as the 2.5D writer, over layers of 3D points whose Z is machine Z.
class NcWriter3D : public NcWriter {
 public:
  using NcWriter::NcWriter;

  // Lines numbered without the MaxBlock wrap, as the head of a program is.
  void NumberedHead(const std::vector<std::string>& lines) {
    for (const auto& l : lines) {
      lineNumber_ += post_.Increment;
      Put(LineNumberWord() + l);
    }
  }
  void NumberedFoot(const std::vector<std::string>& lines) {
    for (const auto& l : lines) {
      NextLineNumber();
      Put(LineNumberWord() + l);
    }
  }

  void Layers(const TTBOutRegionArray3D& layers) {
    for (const auto& layer : layers) Layer(layer);
  }

  void FinalRetract3D() {
    Move3D(last_, {last_.X, last_.Y, params_.RapidHeight}, true);
  }

 private:
  struct P3 {
    double X = 0, Y = 0, Z = 0;
  };

  void Move3D(P3 from, P3 to, bool rapid) {
    NextLineNumber();
    const int kind = rapid ? KindRapid : KindLinear;
    const int slot = 2 * kind + (lastKind_ == kind ? 1 : 0);
    lastKind_ = kind;
    vars_[VarSx] = from.X, vars_[VarSy] = from.Y, vars_[VarSz] = from.Z;
    vars_[VarEx] = to.X, vars_[VarEy] = to.Y, vars_[VarEz] = to.Z;
    vars_[VarSa] = vars_[VarEa] = vars_[VarRad] = vars_[VarCx] = vars_[VarCy] = vars_[VarIi] = vars_[VarJi] = 0;
    vars_[VarNv] = lineNumber_;
    if (!placed_) {
      // The cutter's X and Y are unknown until the program sets them: the
      // rise before the first move holds Z alone where the words are modal.
      for (int t = 0; t < TokenCount; ++t) {
        const int32_t v = post_.Tokens[t].Variable;
        if (v == VarSx || v == VarSy || v == VarEx || v == VarEy) prev_[t] = fmt_[t].Word(Value(v));
      }
    }
    Put(ScriptLine(post_.Scripts[slot]));
    last_ = to;
  }

  // Straight up to the clearance where the cutter stands.
  void Rise() {
    Move3D(last_, {last_.X, last_.Y, params_.RapidHeight}, true);
    raised_ = true;
  }

  void LayerWords(const TTBOutRegion3D& l) {
    vars_[VarFr] = l.FeedRate, vars_[VarSs] = l.SpindleRPM, vars_[VarTn] = l.ToolNumber;
    if (l.PathMode > 1) vars_[VarCv] = -l.RapidHeight;
    Format(TokenSt);
    Format(TokenTt);
    if (l.PathMode > 1) Format(TokenCt);
    for (int k = TokenMisc1t; k <= TokenMisc5t; ++k) cur_[k].clear();
  }

  void Layer(const TTBOutRegion3D& l) {
    if (l.Points.empty()) return;
    if (post_.IncludeComment) {
      NextLineNumber();
      char at[64];
      std::snprintf(at, sizeof at, " at %s", FormatNumber("%.3F", l.LayerZ).c_str());
      Put(LineNumberWord() + CommentText(post_, "Begin Next Pass " + l.Name + at));
    }
    LayerWords(l);
    bool fresh = !placed_;
    if (static_cast<double>(l.ToolNumber) != lastTool_) {
      // Spindle stops, pauses and tool changes happen above the stock.
      if (!raised_) Rise();
      ToolChange(l.ToolNumber);
      ForgetModalWords();
      fresh = true;
    }
    const TTBPoint3D& first = l.Points.front();
    // The first layer and the first after a tool change are reached from
    // above whatever their mode asks.
    if (l.PathMode == 1 || fresh) {
      const double clear = std::max(l.RapidHeight, params_.RapidHeight);
      if (!raised_ || last_.Z < clear) Move3D(last_, {last_.X, last_.Y, clear}, true);
      placed_ = true;
      Move3D(last_, {first.X, first.Y, clear}, true);
      FormatFeed(l.PlungeRate);
      Move3D(last_, {first.X, first.Y, first.Z}, false);
      cur_[TokenFt] = fmt_[TokenFt].Word(l.FeedRate);
    } else if (l.PathMode == 0) {
      Move3D(last_, {first.X, first.Y, first.Z}, false);
    }
    raised_ = false;
    for (const auto& p : l.Points) Move3D(last_, {p.X, p.Y, p.Z}, p.MoveKind == MoveRapid3D);
    const TTBPoint3D& end = l.Points.back();
    // The cutter stays at the layer's last point; the next layer rises
    // from there.
    last_ = {end.X, end.Y, end.Z};
    position_ = {end.X, end.Y};
  }

  P3 last_;
};

// The post with its units word placed; throws PostError when the post has
// a token or script it cannot use.
TTBPostProcessor UsablePost(const TTBPostProcessor& unplaced, Units units) {
  TTBPostProcessor post = PostForUnits(unplaced, units);
  const std::string problem = PostProblem(post);
  if (!problem.empty()) throw PostError(problem);
  return post;
}

// Appended when the post's Append flag is set and the file exists, else
// replacing it.
void SaveProgram(const TTBPostProcessor& post, const std::string& fileName, const std::string& text) {
  if (post.Append && FileExists(fileName)) AppendFileAtomically(fileName, text);
  else WriteFileAtomically(fileName, text);
}

}  // namespace

std::vector<std::string> NcCommentLines(const TTBPostProcessor& post, const TTBMachiningParameters& params,
                                        const std::string& drawingName, std::time_t when, Units units) {
  char stamp[64] = "";
  std::tm tm{};
  if (localtime_r(&when, &tm)) std::strftime(stamp, sizeof stamp, "%H:%M %Y-%m-%d", &tm);
  std::vector<std::string> lines;
  lines.push_back(CommentText(post, std::string("Created ") + stamp + " from " + drawingName));
  lines.push_back(CommentText(post, "Post = " + post.Name));
  if (PostPlacesUnits(post)) lines.push_back(CommentText(post, std::string("Units = ") + UnitsName(units)));
  lines.push_back(CommentText(post, "Tool " + std::to_string(params.Rough.ToolNumber) + " = " + params.Rough.ToolName));
  if (params.FinishMode != 0)
    lines.push_back(
        CommentText(post, "Finish Tool " + std::to_string(params.Finish.ToolNumber) + " = " + params.Finish.ToolName));
  return lines;
}

std::string NcProgramText(const TTBOutRegionArray& toolpaths, const std::vector<std::string>& comments,
                          const TTBMachiningParameters& params, const TTBPostProcessor& unplaced, Units units) {
  const TTBPostProcessor post = UsablePost(unplaced, units);
  std::string out;
  size_t moves = 0;
  for (size_t i = 1; i < toolpaths.size(); ++i) moves += toolpaths[i].Entities.size() + 4;
  out.reserve(moves * 32 + 1024);
  NcWriter w(post, params, out);
  if (post.IncludeComment) w.Lines(comments);
  w.Lines(post.Header);
  w.Toolpaths(toolpaths);
  w.FinalRetract();
  w.Lines(post.Footer);
  return out;
}

void WriteNcProgram(const TTBOutRegionArray& toolpaths, const std::vector<std::string>& comments,
                    const TTBMachiningParameters& params, const TTBPostProcessor& post, Units units,
                    const std::string& fileName) {
  SaveProgram(post, fileName, NcProgramText(toolpaths, comments, params, post, units));
}

std::string NcProgramText3D(const TTBOutRegionArray3D& layers, const std::vector<std::string>& comments,
                            const TTBMachiningParameters& params, const TTBPostProcessor& unplaced, Units units) {
  const TTBPostProcessor post = UsablePost(unplaced, units);
  std::string out;
  if (layers.empty() || layers.front().Points.empty()) return out;
  size_t points = 0;
  for (const auto& l : layers) points += l.Points.size() + 4;
  out.reserve(points * 36 + 1024);
  NcWriter3D w(post, params, out);
  if (post.IncludeComment) w.NumberedHead(comments);
  w.NumberedHead(post.Header);
  w.Layers(layers);
  w.FinalRetract3D();
  w.NumberedFoot(post.Footer);
  return out;
}

void WriteNcProgram3D(const TTBOutRegionArray3D& layers, const std::vector<std::string>& comments,
                      const TTBMachiningParameters& params, const TTBPostProcessor& post, Units units,
                      const std::string& fileName) {
  SaveProgram(post, fileName, NcProgramText3D(layers, comments, params, post, units));
}

}  // namespace tibrel
