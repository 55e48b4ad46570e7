#include "platform/debug_output.h"

#include <unistd.h>

#include <memory>
#include <mutex>

#include "platform/utf.h"

namespace platform {
namespace {

struct SinkSlot {
  std::mutex lock;
  std::shared_ptr<DebugOutputSink> sink;
};

SinkSlot& Slot() {
  static SinkSlot* slot = new SinkSlot;  // never destroyed: lines may be written during exit
  return *slot;
}

void WriteToStderr(const std::wstring& line) {
  std::string bytes = WideToUtf8(line);
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(STDERR_FILENO, p, left);
    if (n <= 0) return;
    p += n;
    left -= static_cast<size_t>(n);
  }
}

}  // namespace

void WriteDebugOutput(const std::wstring& line) {
  std::shared_ptr<DebugOutputSink> sink;
  {
    std::lock_guard<std::mutex> guard(Slot().lock);
    sink = Slot().sink;
  }
  if (sink && *sink) {
    (*sink)(line);
  } else {
    WriteToStderr(line);
  }
}

void SetDebugOutputSink(DebugOutputSink sink) {
  std::lock_guard<std::mutex> guard(Slot().lock);
  if (sink) {
    Slot().sink = std::make_shared<DebugOutputSink>(std::move(sink));
  } else {
    Slot().sink.reset();
  }
}

}  // namespace platform
