#include "platform/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/command_line_split.h"
#include "platform/files.h"
#include "platform/utf.h"

extern char** environ;

namespace platform {
namespace {

int OpenPidFd(int pid) {
#ifdef SYS_pidfd_open
  long fd = ::syscall(SYS_pidfd_open, pid, 0);
  if (fd >= 0) {
    ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
    return static_cast<int>(fd);
  }
#endif
  (void)pid;
  return -1;
}

bool MakePipe(int& readEnd, int& writeEnd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  readEnd = fds[0];
  writeEnd = fds[1];
  return true;
}

// Interval of the exit check when the system offers no process descriptor.
constexpr int kExitPollMs = 50;

}  // namespace

PipedChild::~PipedChild() {
  CloseFd(errRead_);
  CloseFd(errWrite_);
  CloseFd(outRead_);
  CloseFd(outWrite_);
  CloseFd(inRead_);
  CloseFd(inWrite_);
  CloseFd(pidFd_);
}

void PipedChild::CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool PipedChild::CreatePipes(int* error) {
  if (!MakePipe(errRead_, errWrite_)) {
    if (error) *error = errno;
    return false;
  }
  if (!MakePipe(outRead_, outWrite_)) {
    if (error) *error = errno;
    CloseFd(errRead_);
    CloseFd(errWrite_);
    return false;
  }
  if (!MakePipe(inRead_, inWrite_)) {
    if (error) *error = errno;
    CloseFd(errRead_);
    CloseFd(errWrite_);
    CloseFd(outRead_);
    CloseFd(outWrite_);
    return false;
  }
  return true;
}

bool PipedChild::Start(const std::wstring& commandLine, int* error) {
  if (pid_ > 0 || outWrite_ < 0 || errWrite_ < 0 || inRead_ < 0) {
    if (error) *error = EINVAL;
    return false;
  }
  ResolvedCommand resolved =
      ResolveCommandLine(commandLine, [](const std::wstring& path) { return IsRegularFile(path); });
  if (resolved.program.empty()) {
    if (error) *error = ENOENT;
    return false;
  }
  std::vector<std::string> args;
  args.push_back(FsPath(resolved.program));
  for (const std::wstring& a : SplitArguments(resolved.arguments)) args.push_back(WideToUtf8(a));
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inRead_, 0);
  posix_spawn_file_actions_adddup2(&actions, outWrite_, 1);
  posix_spawn_file_actions_adddup2(&actions, errWrite_, 2);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // The child starts with default signal handling whatever the parent ignores.
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  pid_t pid = -1;
  bool usePath = args[0].find('/') == std::string::npos;
  int rc = usePath ? ::posix_spawnp(&pid, args[0].c_str(), &actions, &attr, argv.data(), environ)
                   : ::posix_spawn(&pid, args[0].c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    if (error) *error = rc;
    return false;
  }
  pid_ = pid;
  pidFd_ = OpenPidFd(pid);
  CloseFd(outWrite_);
  CloseFd(errWrite_);
  CloseFd(inRead_);
  CloseFd(inWrite_);
  return true;
}

bool PipedChild::Reap(bool block) {
  if (reaped_) return true;
  if (pid_ <= 0) return false;
  int status = 0;
  for (;;) {
    pid_t r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    if (r == pid_) break;
    if (r == 0) return false;
    if (errno == EINTR) continue;
    // ECHILD: someone else reaped it; its status is lost.
    reaped_ = true;
    exitStatus_ = -1;
    return true;
  }
  reaped_ = true;
  if (WIFEXITED(status)) {
    exitStatus_ = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    exitStatus_ = 128 + WTERMSIG(status);
  } else {
    exitStatus_ = -1;
  }
  return true;
}

void PipedChild::DrainError() {
  if (errRead_ < 0) return;
  char scratch[65536];
  ssize_t n = ::read(errRead_, scratch, sizeof scratch);
  if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) CloseFd(errRead_);
}

size_t PipedChild::ReadOutput(char* buffer, size_t capacity) {
  if (outRead_ < 0 || capacity == 0) return 0;
  for (;;) {
    bool exited = reaped_;
    pollfd fds[3];
    nfds_t count = 0;
    fds[count++] = {outRead_, POLLIN, 0};
    int errIndex = -1, pidIndex = -1;
    if (errRead_ >= 0) {
      errIndex = static_cast<int>(count);
      fds[count++] = {errRead_, POLLIN, 0};
    }
    if (!exited && pidFd_ >= 0) {
      pidIndex = static_cast<int>(count);
      fds[count++] = {pidFd_, POLLIN, 0};
    }
    int timeout = exited ? 0 : (pidFd_ >= 0 ? -1 : kExitPollMs);
    int r = ::poll(fds, count, timeout);
    if (r < 0) {
      if (errno == EINTR) continue;
      CloseFd(outRead_);
      return 0;
    }
    if (fds[0].revents != 0) {
      ssize_t n = ::read(outRead_, buffer, capacity);
      if (n > 0) return static_cast<size_t>(n);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      CloseFd(outRead_);
      return 0;
    }
    if (errIndex >= 0 && fds[errIndex].revents != 0) {
      DrainError();
      continue;
    }
    if (exited) {
      // The child is gone and everything it wrote has been read.
      return 0;
    }
    if (pidIndex >= 0 && fds[pidIndex].revents != 0) {
      Reap(true);
      continue;  // one more look at the output before giving up
    }
    if (pidFd_ < 0) Reap(false);
  }
}

int PipedChild::ExitCode() {
  if (pid_ <= 0) return -1;
  if (!Reap(false)) return kStillActive;
  return exitStatus_;
}

int PipedChild::Wait() {
  if (pid_ <= 0) return -1;
  while (!reaped_) {
    pollfd fds[3];
    nfds_t count = 0;
    int outIndex = -1, errIndex = -1;
    if (outRead_ >= 0) {
      outIndex = static_cast<int>(count);
      fds[count++] = {outRead_, POLLIN, 0};
    }
    if (errRead_ >= 0) {
      errIndex = static_cast<int>(count);
      fds[count++] = {errRead_, POLLIN, 0};
    }
    if (pidFd_ >= 0) fds[count++] = {pidFd_, POLLIN, 0};
    if (count == 0) {
      Reap(true);
      break;
    }
    int r = ::poll(fds, count, pidFd_ >= 0 ? -1 : kExitPollMs);
    if (r < 0 && errno != EINTR) {
      Reap(true);
      break;
    }
    if (outIndex >= 0 && fds[outIndex].revents != 0) {
      char scratch[65536];
      ssize_t n = ::read(outRead_, scratch, sizeof scratch);
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) CloseFd(outRead_);
    }
    if (errIndex >= 0 && fds[errIndex].revents != 0) DrainError();
    Reap(false);
  }
  return exitStatus_;
}

uint32_t FindProcessIdByName(const std::wstring& name) {
  if (name.empty()) return 0;
  const std::string wanted = WideToUtf8(name);
  DIR* dir = ::opendir("/proc");
  if (dir == nullptr) return 0;
  std::vector<uint32_t> pids;
  while (dirent* entry = ::readdir(dir)) {
    const char* p = entry->d_name;
    if (*p == '\0') continue;
    uint64_t value = 0;
    bool digits = true;
    for (; *p != '\0'; ++p) {
      if (*p < '0' || *p > '9' || value > 0xFFFFFFFFull) {
        digits = false;
        break;
      }
      value = value * 10 + static_cast<uint64_t>(*p - '0');
    }
    if (digits && value > 0 && value <= 0xFFFFFFFFull) pids.push_back(static_cast<uint32_t>(value));
  }
  ::closedir(dir);
  std::sort(pids.begin(), pids.end());
  for (uint32_t pid : pids) {
    std::string base = "/proc/" + std::to_string(pid);
    std::string exeName;
    char target[4096];
    ssize_t n = ::readlink((base + "/exe").c_str(), target, sizeof target - 1);
    if (n > 0) {
      std::string path(target, static_cast<size_t>(n));
      const std::string deleted = " (deleted)";
      if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
      exeName = path.substr(path.find_last_of('/') + 1);
    } else {
      std::string cmdline;
      if (!ReadWholeFile(Utf8ToWide(base + "/cmdline"), cmdline)) continue;
      std::string first = cmdline.substr(0, cmdline.find('\0'));
      exeName = first.substr(first.find_last_of('/') + 1);
    }
    if (exeName == wanted) return pid;
  }
  return 0;
}

bool MakeExecutableForOwner(const std::wstring& path) {
  struct stat st {};
  std::string p = FsPath(path);
  if (p.empty() || ::stat(p.c_str(), &st) != 0) return false;
  return ::chmod(p.c_str(), (st.st_mode & 07777) | S_IXUSR) == 0;
}

}  // namespace platform
