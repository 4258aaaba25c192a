// INI profile files: any bytes parse; the text a profile gives back parses to
// the same profile; a value written reads back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/ini.h"
#include "fuzz_check.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) Violated(what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tibrel::IniFile;
  const std::string text(reinterpret_cast<const char*>(data), size);
  IniFile f = IniFile::Parse(text);
  const IniFile g = IniFile::Parse(f.Text());
  Check(g.Text() == f.Text(), "text does not survive a round trip");
  for (const auto& s : f.Sections())
    for (const auto& k : f.Keys(s)) Check(f.Read(s, k) == g.Read(s, k), "a value changed in a round trip");
  const std::string value = size > 0 ? text.substr(0, size % 40) : "v";
  f.Write("Fuzz Section", "Key", value);
  const auto back = IniFile::Parse(f.Text()).Read("fuzz section", "KEY");
  Check(back.has_value(), "a written key is missing");
  f.DeleteKey("FUZZ SECTION", "key");
  Check(!IniFile::Parse(f.Text()).Read("Fuzz Section", "Key"), "a deleted key is still there");
  return 0;
}
