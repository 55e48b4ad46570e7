#include "install/piped_process.h"

#include "platform/process.h"
#include "utils/exception.h"

PipedProcess::PipedProcess() : child_(std::make_unique<platform::PipedChild>()) {
  int error = 0;
  if (!child_->CreatePipes(&error)) throw Utils::Exception();
}

PipedProcess::~PipedProcess() = default;

void PipedProcess::Start(const std::wstring& commandLine) {
  if (commandLine.size() > kMaxChildCommandLine) throw Utils::Exception();
  int error = 0;
  if (!child_->Start(commandLine, &error)) throw Utils::Exception();
}

size_t PipedProcess::ReadOutput(char* buffer, size_t capacity) { return child_->ReadOutput(buffer, capacity); }

int PipedProcess::ExitCode() { return child_->ExitCode(); }

int PipedProcess::Wait() { return child_->Wait(); }

std::string OutputLines::Feed(std::string_view chunk) {
  std::string complete;
  for (char c : chunk) {
    if (c == '\n') {
      size_t nul = pending_.find('\0');
      if (nul != std::string::npos) pending_.resize(nul);
      complete += pending_;
      complete.push_back('\n');
      pending_.clear();
      overlong_ = false;
      continue;
    }
    if (overlong_) continue;
    if (pending_.size() >= kMaxLineBytes) {
      overlong_ = true;
      continue;
    }
    pending_.push_back(c);
  }
  return complete;
}

std::string OutputLines::Finish() {
  std::string rest;
  rest.swap(pending_);
  size_t nul = rest.find('\0');
  if (nul != std::string::npos) rest.resize(nul);
  overlong_ = false;
  return rest;
}
