#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/system_info.h"
#include "platform/utf.h"

namespace platform {

std::wstring TempPath() {
  const char* dir = std::getenv("TMPDIR");
  std::string base = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
  if (base.back() != '/') base.push_back('/');
  return Utf8ToWide(base);
}

bool PathExists(const std::wstring& path) {
  struct stat st {};
  return !path.empty() && ::stat(FsPath(path).c_str(), &st) == 0;
}

bool IsDirectory(const std::wstring& path) {
  struct stat st {};
  return !path.empty() && ::stat(FsPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::wstring& path) {
  struct stat st {};
  return !path.empty() && ::stat(FsPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t FileSize(const std::wstring& path) {
  struct stat st {};
  if (path.empty() || ::stat(FsPath(path).c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool CreateDirectoryOne(const std::wstring& path) {
  return !path.empty() && ::mkdir(FsPath(path).c_str(), 0777) == 0;
}

bool DeleteFileAt(const std::wstring& path) {
  return !path.empty() && ::unlink(FsPath(path).c_str()) == 0;
}

bool EnsurePrivateDirectory(const std::wstring& path) {
  if (path.empty()) return false;
  std::string p = FsPath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (::mkdir(p.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) return false;  // also rejects symbolic links
  if (st.st_uid != ::geteuid()) return false;
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return false;
  return true;
}

bool ReadWholeFile(const std::wstring& path, std::string& content) {
  content.clear();
  int fd = ::open(FsPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    content.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool ReplaceFileAtomically(const std::wstring& path, std::string_view content) {
  std::string target = FsPath(path);
  if (target.empty()) return false;
  unsigned char rnd[6];
  RandomBytes(rnd, sizeof rnd);
  static const char kHex[] = "0123456789abcdef";
  std::string temp = target + ".tmp-";
  for (unsigned char c : rnd) {
    temp.push_back(kHex[c >> 4]);
    temp.push_back(kHex[c & 15]);
  }
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return false;
  const char* p = content.data();
  size_t left = content.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok) ::fchmodat(AT_FDCWD, temp.c_str(), mode, 0);
  if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
