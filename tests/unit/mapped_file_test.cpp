// A drawing file mapped for reading holds exactly the bytes read from it the
// plain way, whatever its size; a missing file fails with the reader's
// message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "dxf/entities.h"
#include "dxf/mapped_file.h"
#include "dxf/reader.h"

namespace tibrel {
namespace {

TEST(MappedFile, HoldsTheBytesReadThePlainWay) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tibrel_mapped_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string big;
  for (int k = 0; big.size() < 300000; ++k) big += "  10\n" + std::to_string(k) + ".5\r\n";
  const std::pair<const char*, std::string> files[] = {
      {"empty.dxf", ""}, {"one.dxf", "0"}, {"no_newline.dxf", "  0\nEOF"}, {"big.dxf", big}};
  for (const auto& [name, text] : files) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << text;
    const MappedFile file(path);
    EXPECT_EQ(file.Bytes(), text) << name;
    EXPECT_EQ(file.Bytes(), ReadFileBytes(path)) << name;
  }
  const std::string shipped = std::string(TIBREL_SOURCE_DIR) + "/examples/bracket.dxf";
  EXPECT_EQ(MappedFile(shipped).Bytes(), ReadFileBytes(shipped));
  const std::string missing = (dir / "missing.dxf").string();
  try {
    MappedFile file(missing);
    ADD_FAILURE() << "a missing file was opened";
  } catch (const DXF_read_exception& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tibrel
