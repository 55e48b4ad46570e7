// Child processes whose standard handles are pipes, exit-code polling, the
// process snapshot by executable name.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Exit code reported while a process still runs.
constexpr int kStillActive = 259;

// A hidden child process with piped standard input, output and error.
// The parent reads the output; the error output is read and discarded
// whenever the parent reads or waits, so the child never blocks on it.
// Destruction closes every descriptor but neither waits for nor ends the child.
class PipedChild {
 public:
  PipedChild() = default;
  ~PipedChild();
  PipedChild(const PipedChild&) = delete;
  PipedChild& operator=(const PipedChild&) = delete;

  // Creates the error, output and input pipes (close-on-exec). False with
  // *error = errno when one cannot be made; the ends already made are closed.
  bool CreatePipes(int* error);
  // Splits the command line with the Windows rules (see command_line_split.h),
  // resolves an unquoted program path with blanks, and starts the program with
  // the pipes as its standard handles, in the current folder and environment.
  // The parent's copies of the child's ends are closed; the input pipe is
  // closed too, so a child that reads its input sees its end at once.
  bool Start(const std::wstring& commandLine, int* error);

  // Blocks until output arrives and returns the number of bytes read into the
  // buffer; 0 once the output has ended: the pipe was closed, or the child has
  // exited and nothing it wrote is left unread (a process the child left
  // behind may keep the pipe open).
  size_t ReadOutput(char* buffer, size_t capacity);
  // kStillActive while the child runs, then its exit status (128 + signal
  // number for a child ended by a signal). -1 when no child was started.
  int ExitCode();
  // Waits for the end of the child without a time limit, draining both pipes
  // meanwhile; returns the exit status (-1 when no child was started).
  int Wait();
  int Pid() const { return pid_; }

 private:
  bool Reap(bool block);
  void DrainError();
  void CloseFd(int& fd);

  int errRead_ = -1, errWrite_ = -1;
  int outRead_ = -1, outWrite_ = -1;
  int inRead_ = -1, inWrite_ = -1;
  int pid_ = -1;
  int pidFd_ = -1;
  bool reaped_ = false;
  int exitStatus_ = -1;
};

// Id of the first running process whose executable file name equals the name
// (case-sensitive), 0 when there is none. The name comes from the target of
// /proc/<pid>/exe, or, when that cannot be read, from the first word of
// /proc/<pid>/cmdline.
uint32_t FindProcessIdByName(const std::wstring& name);

// Adds the owner's execute permission to a file.
bool MakeExecutableForOwner(const std::wstring& path);

}  // namespace platform
