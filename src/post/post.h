// Post processors: how the G-code of one machine controller is spelled.
// Posts live by name in Posts.cfg beside the program, one section each; the
// active one is the job's CurrentPost.
//
// A token turns one numeric variable of a move into a word ("X1.2500"); a
// script lists the tokens and the command text that make one NC line for one
// kind of move.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/units.h"

namespace tibrel {

class IniFile;

inline constexpr int TokenCount = 16;
inline constexpr int VariableCount = 19;
inline constexpr int MoveScriptCount = 10;
inline constexpr int ToolScriptCount = 3;
// Header, footer and tool lines kept per list.
inline constexpr int MaxPostLines = 26;

// Token numbers with a fixed role in the NC writer.
enum TokenNumbers : int32_t {
  TokenXt = 0, TokenYt, TokenZt, TokenIt, TokenJt, TokenRt, TokenNt, TokenFt, TokenSt, TokenTt, TokenCt,
  TokenMisc1t, TokenMisc2t, TokenMisc3t, TokenMisc4t, TokenMisc5t,
};

// Variable numbers: what a token shows of a move.
enum VariableNumbers : int32_t {
  VarNone = 0, VarSx, VarSy, VarSz, VarEx, VarEy, VarEz, VarSa, VarEa, VarRad, VarCx, VarCy, VarIi, VarJi, VarCv,
  VarNv, VarFr, VarSs, VarTn,
};

// Move script slots: 2 x kind + form (0 Single Move, 1 Continuous).
enum ScriptKinds : int32_t { ScriptLinear = 0, ScriptRapid = 1, ScriptArcCW = 2, ScriptArcCCW = 3, ScriptDrill = 4 };

extern const std::array<const char*, TokenCount> TokenNames;     // "Xt" ...
extern const std::array<const char*, TokenCount> TokenCaptions;  // "Xt (X Axis)" ...
extern const std::array<const char*, VariableCount> VariableNames;  // "None", "Sx" ...
extern const std::array<const char*, 5> ScriptKindNames;         // "Linear" ...
extern const std::array<const char*, 2> ScriptFormNames;         // "Single Move", "Continuous"

struct TTBToken {
  std::string Address;     // text in front of the number; the whole word for variable 0
  int32_t Variable = 0;    // 0..18; -1 when cleared in the editor
  std::string Format;      // printf format of one number; with a "d" an integer format
  bool UsePlus = false;    // "+" between address and number
};

struct ScriptEntry {
  int32_t Token = 0;   // 0..15, or -1 where the command text goes
  bool Modal = false;  // only when the word differs from the previous line's
};
using TTBScriptArray = std::vector<ScriptEntry>;

struct TTBScript {
  std::string Command;  // "<null>" means no text
  TTBScriptArray Entries;
};

struct TTBMiniPost {
  std::vector<std::string> ToolHeader;
  std::vector<std::string> ToolFooter;
  std::array<TTBScript, ToolScriptCount> ToolScripts;
};

struct TTBPostProcessor {
  std::string Name = "Varnix";
  std::string Extension = "Dnc";
  std::string ToolChange = "M06";
  std::string Comment = "(";
  std::string EndComment = ")";
  bool DecimalCharacter = false;  // true: the point; false: the comma
  int32_t Start = 0;
  int32_t Increment = 0;
  bool Append = false;  // run-time only: append to an existing NC file
  bool IncludeComment = false;
  int32_t MaxBlock = 0;
  std::vector<std::string> Header;
  std::vector<std::string> Footer;
  // The words the units placeholder stands for in an inch job and in a
  // millimetre job ("UnitsInch", "UnitsMillimetre" in Posts.cfg).
  std::string UnitsInch = "G20";
  std::string UnitsMillimetre = "G21";
  std::array<TTBToken, TokenCount> Tokens;
  std::array<TTBScript, MoveScriptCount> Scripts;
  TTBMiniPost MiniPost;
};

// Words of tokens 0..15 (the rest unused).
using TTBTokenString = std::array<std::string, 24>;

// A post that cannot be read or used: the message is for the user.
class PostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Cuts a value at every "*": two in a row give an empty field, one at the
// very end no empty last field.
std::vector<std::string> SplitFields(std::string_view value);

// The word of one token for a value. A cleared token (empty format) and a
// format that is not one printf conversion of a number give the empty word.
std::string FormatToken(const TTBToken& token, double value);

// A token's word maker with its format parsed once, for writing many lines.
class TokenFormatter {
 public:
  TokenFormatter() = default;
  explicit TokenFormatter(const TTBToken& token);
  std::string Word(double value) const {
    std::string s;
    Append(s, value);
    return s;
  }
  void Append(std::string& out, double value) const;

 private:
  enum class Kind { Empty, Literal, Number, Integer };
  Kind kind_ = Kind::Empty;
  std::string address_;  // with the "+" when wanted
  std::string prefix_, suffix_, flags_;
  int width_ = -1, precision_ = -1;
  char conversion_ = 0;
};

// Checks a token's format: empty when usable (or unused), else what is
// wrong with it. A usable format holds exactly one conversion (f F e E g G
// for a number; d i when the format contains a "d"), with flags, a width and
// a precision of at most 100, and any literal text ("%%" for a percent).
std::string TokenFormatProblem(const TTBToken& token);

// The first problem that would make the post write a wrong program (a token
// with an unknown variable or an unusable format, a script naming a token
// outside 0..15), as a message naming the post; empty when there is none.
std::string PostProblem(const TTBPostProcessor& post);

// Reads the named section into post. False, leaving post as it was, when
// the name is "New" or empty or the section is missing; a value that does
// not convert throws PostError naming the post and the key, and post is
// left as it was too. On success the process-wide decimal character is set
// from the post. Keys that are missing keep what post held (tokens and move
// scripts) or take their defaults.
bool LoadPost(TTBPostProcessor& post, const std::string& name, const IniFile& file);
// The same from a file; a missing file gives false. Throws PostError when
// the file exists but cannot be read.
bool LoadPost(TTBPostProcessor& post, const std::string& name, const std::string& fileName);

// What a header, footer, tool header or tool footer line may hold in place
// of the units word; matched in any letter case. Nothing else in a line is
// ever replaced, so a post without it writes as it always did.
inline constexpr std::string_view UnitsPlaceholder = "{Units}";

// Whether any header, footer, tool header or tool footer line of the post
// holds the placeholder.
bool PostPlacesUnits(const TTBPostProcessor& post);

// The post's word for units: UnitsInch or UnitsMillimetre.
const std::string& UnitsWord(const TTBPostProcessor& post, Units units);

// The post with the placeholder in its header, footer, tool header and tool
// footer lines replaced by its word for units; the post as it is when none
// holds it.
TTBPostProcessor PostForUnits(const TTBPostProcessor& post, Units units);

// Values as the post editor writes them.
std::string TokenValue(const TTBToken& token);
std::string ScriptValue(const TTBScript& script);

// The fields of the editor's "General" page.
struct PostGeneralFields {
  std::string Extension = "Dnc";
  std::string Comment = "(";
  std::string EndComment = ")";
  bool IncludeComment = true;
  int32_t MaxBlock = 99999999;
  bool DecimalPoint = true;
  std::string UnitsInch = "G20";
  std::string UnitsMillimetre = "G21";
};

// What the editor's Save writes into section name: the general fields, the
// tokens and move scripts of current, and the header and footer lines (at
// most 26 each; keys of lines past the end are deleted). The two units words
// are written when either differs from G20 and G21 or the section has one
// already, so a post that never had them is saved as before. Keys the editor
// does not write are left as they are.
void WritePostSection(IniFile& file, const std::string& name, const PostGeneralFields& general,
                      const TTBPostProcessor& current, const std::vector<std::string>& header,
                      const std::vector<std::string>& footer);

// Whether name may be saved (not "None" nor empty).
bool UsablePostName(const std::string& name);

}  // namespace tibrel
