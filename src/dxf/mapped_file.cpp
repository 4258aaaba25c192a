#include "dxf/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dxf/entities.h"
#include "dxf/reader.h"

namespace tibrel {

MappedFile::MappedFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw DXF_read_exception("Cannot open file " + path);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    void* m = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (m != MAP_FAILED) {
      map_ = static_cast<const char*>(m);
      size_ = static_cast<size_t>(st.st_size);
    }
  }
  ::close(fd);
  if (!map_) copy_ = ReadFileBytes(path);
}

MappedFile::~MappedFile() {
  if (map_) ::munmap(const_cast<char*>(map_), size_);
}

}  // namespace tibrel
