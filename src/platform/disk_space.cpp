#include "platform/disk_space.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>

#include "platform/utf.h"

namespace platform {

bool QueryDiskSpace(const std::wstring& path, DiskSpace& space, int* error) {
  std::string p = FsPath(path);
  if (p.empty()) p.assign(1, '.');
  for (;;) {
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0) break;
    if (errno != ENOENT || p == "/" || p == ".") {
      if (error) *error = errno;
      return false;
    }
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    size_t slash = p.find_last_of('/');
    if (slash == std::string::npos) {
      p.assign(1, '.');
    } else {
      p.resize(slash == 0 ? 1 : slash);  // keep "/" for the root
    }
  }
  struct statvfs vfs {};
  if (::statvfs(p.c_str(), &vfs) != 0) {
    if (error) *error = errno;
    return false;
  }
  uint64_t unit = vfs.f_frsize != 0 ? vfs.f_frsize : vfs.f_bsize;
  space.freeBytesForUser = static_cast<uint64_t>(vfs.f_bavail) * unit;
  space.totalBytes = static_cast<uint64_t>(vfs.f_blocks) * unit;
  space.totalFreeBytes = static_cast<uint64_t>(vfs.f_bfree) * unit;
  return true;
}

}  // namespace platform
