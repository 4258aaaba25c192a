// The G-code colourer: splits a line of an NC program into tokens and gives
// each its attribute; in parse mode it also reads the program's moves into
// an NcPath. Both follow the post: its token addresses, its script commands
// and its comment character decide what is recognised.
//
// A caller hands over one line at a time (SetLine), then reads the token
// (Kind, TokenStart, TokenLength, Attribute) and steps with Next until Eol.
// In parse mode the records of a line are made when its end is reached.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/nc_path.h"
#include "post/options.h"
#include "post/post.h"

namespace tibrel {

enum class NcTokenKind : uint8_t { Axis, Comment, GCode, LineNo, MCode, Null, Number, Space, TSF, Symbol };

// How a token is painted. A colour is 0x00BBGGRR; -1 is the editor's own
// text colour.
struct NcAttribute {
  const char* Name = "";
  int32_t Foreground = -1;
  bool Bold = false;
  bool Italic = false;
};

// The attributes by name, in the order of NcTokenKind less Null and Symbol
// (a Symbol is painted as Space).
enum NcAttributeIndex : uint8_t {
  AttrAxis, AttrComment, AttrGCode, AttrLineNo, AttrMCode, AttrNumber, AttrSpace, AttrTSF, AttributeCount
};

// Arc formats: how an arc's centre is written.
enum NcArcFormat : int32_t { ArcFormatNone = 0, ArcFormatRadius = 1, ArcFormatAbsolute = 2, ArcFormatIncremental = 3 };

// Variables the parse keeps, by the numbers of the post's variables (with
// room for later ones).
inline constexpr int ParseVariableCount = 21;

class TSynGCodeSyn {
 public:
  TSynGCodeSyn();

  static constexpr std::string_view LanguageName = "GCode";
  static constexpr std::string_view FileFilter = "Machine Code files (*.dnc,*.nc,*.cnc)|*.DNC;*.NC;*.CNC";

  // Takes the addresses, commands, arc format and single-character comment
  // of post, and the editor colours. A post without a name changes nothing.
  void ConfigureFromPost(const TTBPostProcessor& post, const TTBEditorColours& colours);

  // Empties the path and the parse state; parse mode off.
  void Reset();
  void SetParseMode(bool on) { parseMode_ = on; }
  bool ParseMode() const { return parseMode_; }
  void SetPathColour(int32_t colour) { pathColour_ = colour; }
  // The records made since Reset (element 0 the placeholder); the parser
  // is left empty.
  NcPath Finish();
  const NcPath& Path() const { return path_; }

  // Colouring: the line (without its line break) and its 0-based number.
  // The text must stay alive until the next SetLine.
  void SetLine(std::string_view line, int32_t lineNumber);
  void Next();
  bool Eol() const { return kind_ == NcTokenKind::Null; }
  NcTokenKind Kind() const { return kind_; }
  size_t TokenStart() const { return start_; }
  size_t TokenLength() const { return end_ - start_; }
  std::string_view Token() const { return line_.substr(start_, end_ - start_); }
  // The attribute of the current token; nullptr at the end of the line.
  const NcAttribute* Attribute() const;
  NcAttribute& AttributeOf(NcAttributeIndex i) { return attributes_[i]; }
  const NcAttribute& AttributeOf(NcAttributeIndex i) const { return attributes_[i]; }

  // Every token of a line, for parse mode without colouring.
  void ParseLine(std::string_view line, int32_t lineNumber) {
    for (SetLine(line, lineNumber); !Eol(); Next()) {
    }
  }

  int32_t ArcFormat() const { return arcFormat_; }

 private:
  void Scan();
  void Interpret();
  void EndLine();
  void CommentTool();
  void AddLine(double x, double y, double z, uint8_t kind, double r = 0);
  void AddArc();
  void AddDrill();
  NcPathRecord& NewRecord(uint8_t kind);
  int MatchCommand(std::string_view word) const;
  double Var(int token) const;
  void SetValue(double v);

  std::array<NcAttribute, AttributeCount> attributes_;
  std::array<std::string, TokenCount> addresses_;
  std::array<std::string, MoveScriptCount> commands_;
  std::array<int32_t, TokenCount> variables_{};
  char commentChar_ = 0;
  int32_t arcFormat_ = ArcFormatNone;

  std::string_view line_;
  int32_t lineNumber_ = 0;
  size_t start_ = 0, end_ = 0;
  NcTokenKind kind_ = NcTokenKind::Null;

  bool parseMode_ = false;
  std::array<double, ParseVariableCount> values_{};
  int currentToken_ = -1;
  bool lineHasAddress_ = false;
  int motionMode_ = 0;
  double x_ = 0, y_ = 0, z_ = 0;
  double feed_ = 0;
  int32_t pathColour_ = 0;
  NcPath path_;
};

// The whole program text through a parser configured for post: lines end
// at "\n" (a "\r" before it is dropped).
NcPath ParseNcProgram(std::string_view text, const TTBPostProcessor& post, int32_t colour = 0);

}  // namespace tibrel
