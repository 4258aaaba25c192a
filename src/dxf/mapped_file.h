// A whole file's bytes for reading, mapped into memory where the system
// allows (a regular file: no copy, and no fresh memory to fill, which costs
// more than parsing on a large drawing), else read into memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tibrel {

class MappedFile {
 public:
  // Throws DXF_read_exception ("Cannot open file <path>", "Cannot read file
  // <path>") as ReadFileBytes does.
  explicit MappedFile(const std::string& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Valid while the object lives. Another program shortening the file
  // while it is mapped is not guarded against.
  std::string_view Bytes() const { return map_ ? std::string_view(map_, size_) : std::string_view(copy_); }

 private:
  const char* map_ = nullptr;
  size_t size_ = 0;
  std::string copy_;  // when the file could not be mapped
};

}  // namespace tibrel
