#include "platform/shell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/utf.h"

extern char** environ;

namespace platform {
namespace {

// Starts argv detached: an intermediate child starts the program in a new
// session and ends at once, so the program is never our child and needs no wait.
bool SpawnDetached(std::vector<std::string> args, const std::string& folder, bool searchPath) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild == 0) {
      int devnull = ::open("/dev/null", O_RDWR);
      if (devnull >= 0) {
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
      }
      if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        int e = errno;
        (void)!::write(report[1], &e, sizeof e);
        ::_exit(127);
      }
      if (searchPath) {
        ::execvp(argv[0], argv.data());
      } else {
        ::execve(argv[0], argv.data(), environ);
      }
      int e = errno;
      (void)!::write(report[1], &e, sizeof e);
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // The report pipe closes without data when the program was started.
  int e = 0;
  ssize_t n;
  while ((n = ::read(report[0], &e, sizeof e)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

}  // namespace

bool ShellOpen(const std::wstring& target, const std::wstring& workingFolder) {
  if (target.empty()) return false;
  std::string path = FsPath(target);
  struct stat st {};
  bool executable = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
  if (executable) {
    std::string folder = FsPath(workingFolder);
    if (folder.empty()) {
      size_t slash = path.find_last_of('/');
      if (slash != std::string::npos) folder = slash == 0 ? "/" : path.substr(0, slash);
    }
    return SpawnDetached({path}, folder, false);
  }
  return SpawnDetached({"xdg-open", path}, FsPath(workingFolder), true);
}

}  // namespace platform
