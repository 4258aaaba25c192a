#include "core/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tibrel {

namespace {

[[noreturn]] void Fail(const std::string& path, int err) {
  throw std::runtime_error("Cannot write " + path + ": " + std::strerror(err));
}

bool WriteAll(int fd, std::string_view text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

void Replace(const std::string& path, std::string_view head, std::string_view text) {
  std::string tmp = path + ".XXXXXX";
  const int fd = mkstemp(tmp.data());
  if (fd < 0) Fail(path, errno);
  struct stat st;
  const mode_t mode = stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode();
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, head) && WriteAll(fd, text) && fsync(fd) == 0;
  int err = errno;
  if (close(fd) != 0 && ok) ok = false, err = errno;
  if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) ok = false, err = errno;
  if (!ok) {
    std::remove(tmp.c_str());
    Fail(path, err ? err : EIO);
  }
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view text) { Replace(path, {}, text); }

void AppendFileAtomically(const std::string& path, std::string_view text) {
  std::string old;
  if (FileExists(path)) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot read " + path + ": " + std::strerror(errno));
    std::ostringstream s;
    s << in.rdbuf();
    old = s.str();
  }
  Replace(path, old, text);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace tibrel
