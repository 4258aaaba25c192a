#include <gtest/gtest.h>

#include <string>

#include "core/ini.h"
#include "core/numbers.h"
#include "post/post.h"

namespace tibrel {
namespace {

// Restores the point as decimal character after a test that loads a comma post.
struct PointDecimal {
  PointDecimal() { SetDecimalCharacter('.'); }
  ~PointDecimal() { SetDecimalCharacter('.'); }
};

TTBToken Token(int32_t variable, const char* address, const char* format, bool plus = false) {
  TTBToken t;
  t.Variable = variable;
  t.Address = address;
  t.Format = format;
  t.UsePlus = plus;
  return t;
}

TEST(PostTokens, WordsFollowPrintfAndTheTokenRules) {
  PointDecimal dc;
  EXPECT_EQ(FormatToken(Token(0, "~", "%.4f"), 5), "~");
  EXPECT_EQ(FormatToken(Token(0, "null", "%.4f"), 5), "");
  EXPECT_EQ(FormatToken(Token(3, "null", "%1.1f"), 5), "null5.0");
  EXPECT_EQ(FormatToken(Token(VarNv, "N", "%d"), 10), "N10");
  EXPECT_EQ(FormatToken(Token(VarNv, "N", "%1.4f"), 10), "N10.0000");
  EXPECT_EQ(FormatToken(Token(VarTn, "T", "%1.0f", true), 3), "T+3");
  EXPECT_EQ(FormatToken(Token(VarEx, "X", "%1.4f"), -1.23456), "X-1.2346");
  EXPECT_EQ(FormatToken(Token(VarEx, "X", "%08.3f"), -1.5), "X-001.500");
  EXPECT_EQ(FormatToken(Token(VarEx, "X", "%.2f%%"), 1.5), "X1.50%");
  // Integer formats round halves to the even neighbour.
  EXPECT_EQ(FormatToken(Token(VarNv, "N", "%d"), 2.5), "N2");
  EXPECT_EQ(FormatToken(Token(VarNv, "N", "%d"), 3.5), "N4");
  EXPECT_EQ(FormatToken(Token(VarNv, "N", "%05d"), 42), "N00042");
  EXPECT_EQ(FormatToken(Token(VarEx, "X", "%.0d"), 0), "X0");  // never an address without its number
  EXPECT_EQ(FormatToken(Token(-1, "", ""), 3), "");  // a cleared token
}

TEST(PostTokens, TheDecimalCharacterAppliesToTheNumberOnly) {
  PointDecimal dc;
  SetDecimalCharacter(',');
  EXPECT_EQ(FormatToken(Token(VarEx, "X.", "%1.4f"), 1.5), "X.1,5000");
  EXPECT_EQ(FormatToken(Token(VarEx, "X", "%e"), 1.5), "X1,500000e+00");
}

TEST(PostTokens, FormatsThatAreNotOneNumberGiveNoWordAndAreReported) {
  for (const char* bad : {"%s", "%n", "%p", "%c", "%1.4f%1.4f", "%999999f", "%.999f", "%*d", "%lf", "X", "%", "%1.4",
                          "%i", "%#d", "%ld", "abc%"}) {
    SCOPED_TRACE(bad);
    const TTBToken t = Token(VarEx, "X", bad);
    EXPECT_EQ(FormatToken(t, 1.0), "");
    EXPECT_FALSE(TokenFormatProblem(t).empty());
  }
  EXPECT_TRUE(TokenFormatProblem(Token(VarEx, "X", "%+.3f")).empty());
  EXPECT_TRUE(TokenFormatProblem(Token(VarEx, "X", "%100.100e")).empty());
  EXPECT_EQ(FormatToken(Token(VarEx, "X", "%100.100e"), -1e308).size(), 1u + 108u);
  // Huge values in integer formats are held to what a long long can carry.
  EXPECT_EQ(FormatToken(Token(VarNv, "N", "%d"), 1e300), "N9200000000000000000");
}

TEST(PostProblems, UnknownVariablesAndTokensAreNamed) {
  TTBPostProcessor p;
  p.Name = "Mill";
  EXPECT_EQ(PostProblem(p), "");
  p.Tokens[TokenYt] = Token(25, "Y", "%1.4f");
  EXPECT_EQ(PostProblem(p), "Post Processor Mill: token Yt uses unknown variable 25");
  p.Tokens[TokenYt] = Token(VarEy, "Y", "%s");
  EXPECT_NE(PostProblem(p).find("token Yt"), std::string::npos);
  p.Tokens[TokenYt] = Token(VarEy, "Y", "%.4f");
  p.Scripts[5].Entries.push_back({16, false});
  EXPECT_EQ(PostProblem(p), "Post Processor Mill: script Arc CW Continuous names token 16, outside 0..15");
}

const char* const MillPosts = R"([Mill]
Extension=ngc
IncludeComment=0
Tokens0=4*X*%1.4f*F
Tokens6=0*~*%.4f*f
Tokens9=18*T*%1.0f*t
Scripts0=F*G01*-1*F*0*T*1*T*
Scripts3=F*G00
Scripts4=F*G02*2*F
Scripts5=F*G02*<null>*T**F*7
Header0=G21
Header1=G90
Header3=never read
Footer0=M30
ToolScripts1=F*M06*9*F
Increment=-5
DecimalCharacter=f
; a comment the editor keeps
Unknown=kept

[Zero]
Increment=0
DecimalCharacter=

[Broken]
Tokens0=4*X*%1.4f*F
Tokens1=x5*Y*%1.4f*F
)";

TEST(PostLoading, KeysFollowTheirReadingRules) {
  PointDecimal dc;
  const IniFile file = IniFile::Parse(MillPosts);
  TTBPostProcessor p;
  p.Scripts[3].Command = "OLD";
  p.Scripts[3].Entries.push_back({0, true});
  p.Tokens[TokenYt] = Token(VarEy, "Y", "%1.3f");  // no key: inherited
  ASSERT_TRUE(LoadPost(p, "mill", file));  // section names without case
  EXPECT_EQ(p.Name, "mill");
  EXPECT_FALSE(p.IncludeComment);
  EXPECT_EQ(p.Increment, 1);  // negative reads as 1
  EXPECT_FALSE(p.DecimalCharacter);
  EXPECT_EQ(DecimalCharacter(), ',');
  EXPECT_EQ(FormatToken(p.Tokens[TokenXt], 1.5), "X1,5000");
  EXPECT_FALSE(p.Tokens[TokenNt].UsePlus);
  EXPECT_TRUE(p.Tokens[TokenTt].UsePlus);
  EXPECT_EQ(p.Tokens[TokenYt].Format, "%1.3f");
  EXPECT_EQ(ScriptValue(p.Scripts[0]), "F*G01*-1*F*0*T*1*T");
  // Two fields: no entries, the command as it was.
  EXPECT_EQ(ScriptValue(p.Scripts[3]), "F*OLD");
  EXPECT_EQ(ScriptValue(p.Scripts[4]), "F*G02*2*F");
  // "<null>" and empty token fields are token 0; a last lone field and a
  // trailing '*' are ignored.
  EXPECT_EQ(ScriptValue(p.Scripts[5]), "F*G02*0*T*0*F");
  EXPECT_EQ(p.Header, (std::vector<std::string>{"G21", "G90"}));  // up to the first missing line
  EXPECT_EQ(p.MiniPost.ToolScripts[1].Command, "M06");

  TTBPostProcessor z;
  ASSERT_TRUE(LoadPost(z, "Zero", file));
  EXPECT_EQ(z.Increment, 0);
  EXPECT_FALSE(z.DecimalCharacter);  // an empty value is the comma
}

TEST(PostLoading, AFailedLoadLeavesThePostAndTheDecimalCharacterAlone) {
  PointDecimal dc;
  const IniFile file = IniFile::Parse(MillPosts);
  TTBPostProcessor p;
  p.Name = "Before";
  p.Tokens[TokenXt] = Token(VarEx, "X", "%1.2f");
  for (const char* name : {"New", "", "Missing"}) EXPECT_FALSE(LoadPost(p, name, file));
  try {
    LoadPost(p, "Broken", file);
    FAIL() << "a bad variable number must fail the load";
  } catch (const PostError& e) {
    EXPECT_STREQ(e.what(), "Post Processor Broken: 'x5' in Tokens1 is not a valid integer value");
  }
  EXPECT_EQ(p.Name, "Before");
  EXPECT_EQ(p.Tokens[TokenXt].Format, "%1.2f");
  EXPECT_EQ(DecimalCharacter(), '.');
  EXPECT_FALSE(LoadPost(p, "Default", std::string("/nonexistent/Posts.cfg")));
}

TEST(PostSaving, TheEditorsSaveRoundTripsAndShrinksTheLineLists) {
  PointDecimal dc;
  IniFile file = IniFile::Parse(MillPosts);
  TTBPostProcessor p;
  ASSERT_TRUE(LoadPost(p, "Mill", file));
  p.Tokens[TokenYt] = Token(VarEy, " Y", "%1.3f", true);
  p.Scripts[9].Command = "G81";
  p.Scripts[9].Entries = {{-1, false}, {TokenXt, true}};
  PostGeneralFields g;
  g.Extension = "tap";
  g.EndComment = ")";
  g.MaxBlock = 9999;
  g.DecimalPoint = true;
  WritePostSection(file, "Mill", g, p, {"G20", "G17", "G90", "G94", "G40"}, {"M30"});
  WritePostSection(file, "Mill", g, p, {"G20", "G17"}, {"M05", "M30"});
  const IniFile back = IniFile::Parse(file.Text());
  EXPECT_FALSE(back.Read("Mill", "Header2"));
  EXPECT_FALSE(back.Read("Mill", "Header4"));
  EXPECT_EQ(back.Read("Mill", "Unknown"), "kept");
  EXPECT_NE(file.Text().find("; a comment the editor keeps"), std::string::npos);
  EXPECT_EQ(back.Read("Mill", "Tokens1"), std::optional<std::string>("5* Y*%1.3f*T"));
  TTBPostProcessor q;
  ASSERT_TRUE(LoadPost(q, "Mill", back));
  EXPECT_EQ(q.Extension, "tap");
  EXPECT_EQ(q.MaxBlock, 9999);
  EXPECT_TRUE(q.DecimalCharacter);
  EXPECT_EQ(q.Header, (std::vector<std::string>{"G20", "G17"}));
  EXPECT_EQ(q.Footer, (std::vector<std::string>{"M05", "M30"}));
  for (int t = 0; t < TokenCount; ++t) EXPECT_EQ(TokenValue(q.Tokens[t]), TokenValue(p.Tokens[t])) << t;
  for (int k = 0; k < MoveScriptCount; ++k) EXPECT_EQ(ScriptValue(q.Scripts[k]), ScriptValue(p.Scripts[k])) << k;
  // Keys the editor never writes stay as the user wrote them.
  EXPECT_EQ(back.Read("Mill", "ToolScripts1"), "F*M06*9*F");
  EXPECT_FALSE(UsablePostName("None") || UsablePostName(""));
}

}  // namespace
}  // namespace tibrel
