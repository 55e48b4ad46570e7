// A hidden child process whose standard output the installer reads, and the
// reassembly of its output into whole lines.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {
class PipedChild;
}

// Longest command line a child may get, in characters.
constexpr size_t kMaxChildCommandLine = 1023;

class PipedProcess {
 public:
  // Creates the error, output and input pipes; throws Utils::Exception when
  // one cannot be made.
  PipedProcess();
  // Closes every handle still open; neither waits for nor ends the child.
  ~PipedProcess();
  PipedProcess(const PipedProcess&) = delete;
  PipedProcess& operator=(const PipedProcess&) = delete;

  // Starts the command line (at most kMaxChildCommandLine characters) with the
  // pipes as standard handles; throws Utils::Exception when it cannot.
  void Start(const std::wstring& commandLine);
  // Blocking read of the output; 0 once the output has ended (see PipedChild).
  // The error output is drained meanwhile.
  size_t ReadOutput(char* buffer, size_t capacity);
  // 259 while the child runs, then its exit status.
  int ExitCode();
  // Waits for the end of the child without a time limit.
  int Wait();

 private:
  std::unique_ptr<platform::PipedChild> child_;
};

// Collects output chunks and hands out whole lines only, so a record split
// across two reads is read whole and a multi-byte character is never cut.
// Each line is cut at its first NUL byte; a line longer than kMaxLineBytes is
// kept to that length (the rest up to its line feed is dropped), which bounds
// the memory a child can make the installer hold.
class OutputLines {
 public:
  static constexpr size_t kMaxLineBytes = 8192;

  // Adds a chunk; returns the lines it completes, each with its line feed.
  std::string Feed(std::string_view chunk);
  // The unfinished last line, once the output has ended.
  std::string Finish();

 private:
  std::string pending_;
  bool overlong_ = false;
};
