// package-digest FILE...: prints "<md5>  <path>" for every file, exactly as
// md5sum does, so package makers can lay out a package host (/<md5>/<file>).
// With no file, or "-", standard input is digested.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "utils/md5.h"

namespace {

bool DigestFd(int fd, std::string& hex, int& error) {
  static std::vector<unsigned char> buffer(1 << 20);
  Utils::Md5 md5;
  for (;;) {
    ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    if (n == 0) break;
    md5.Update(buffer.data(), static_cast<size_t>(n));
  }
  hex = Utils::Md5Hex(md5.Final());
  return true;
}

// md5sum marks names holding a backslash or a line feed with a leading "\" and escapes them.
void PrintLine(const std::string& hex, const std::string& name) {
  if (name.find_first_of("\\\n") == std::string::npos) {
    std::printf("%s  %s\n", hex.c_str(), name.c_str());
    return;
  }
  std::string escaped;
  for (char c : name) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped += c;
    }
  }
  std::printf("\\%s  %s\n", hex.c_str(), escaped.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files(argv + 1, argv + argc);
  if (files.empty()) files.push_back("-");
  int status = 0;
  for (const std::string& name : files) {
    int fd = name == "-" ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    int error = errno;
    std::string hex;
    if (fd < 0 || !DigestFd(fd, hex, error)) {
      std::fprintf(stderr, "package-digest: %s: %s\n", name.c_str(), std::strerror(error));
      status = 1;
    } else {
      PrintLine(hex, name);
    }
    if (fd >= 0 && fd != STDIN_FILENO) ::close(fd);
  }
  if (std::fflush(stdout) != 0) status = 1;
  return status;
}
