// INI profile files (Posts.cfg, Configurations.cfg, Options.cfg) with the
// usual private-profile rules: sections and keys match without regard to
// case, values are trimmed (and lose one pair of surrounding quotes) and read
// up to 2047 characters, and a write keeps everything else in the file as it
// was: comments, blank lines, unknown keys, their order and spelling.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tibrel {

inline constexpr size_t MaxProfileValueLength = 2047;

class IniFile {
 public:
  IniFile() = default;
  // Parses text; any bytes are accepted (lines that are neither a section
  // header nor a key are kept as they are).
  static IniFile Parse(std::string_view text);
  // Reads a file; a missing file gives an empty profile. Throws
  // std::runtime_error naming the file when it exists but cannot be read.
  static IniFile Load(const std::string& path);

  std::string Text() const;
  // Writes the whole text to a temporary file in the same folder and renames
  // it over path, so the old file stays whole if anything fails. Throws
  // std::runtime_error naming the file.
  void Save(const std::string& path) const;

  bool HasSection(std::string_view section) const;
  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(std::string_view section) const;

  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
  // Integers accept a "0x" prefix for hexadecimal; text that is not a
  // number gives the fallback.
  long ReadInteger(std::string_view section, std::string_view key, long fallback) const;
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  // Uses the process-wide decimal character.
  double ReadFloat(std::string_view section, std::string_view key, double fallback) const;

  void Write(std::string_view section, std::string_view key, std::string_view value);
  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);

 private:
  struct Line {
    std::string raw;      // the line as it stands in the file
    std::string section;  // for a header: its name; empty otherwise
    std::string key;      // for a key line: its name (trimmed); empty otherwise
    bool header = false;
  };
  // Index of the header of a section; npos when absent.
  size_t FindSection(std::string_view section) const;
  // End of the section starting at header h (the next header, or the end).
  size_t SectionEnd(size_t h) const;
  size_t FindKey(size_t header, std::string_view key) const;

  std::vector<Line> lines_;
  bool trailingNewline_ = true;
};

}  // namespace tibrel
