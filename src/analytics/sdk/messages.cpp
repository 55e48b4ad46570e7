#include "analytics/sdk/messages.h"

#include <cstdio>
#include <mutex>

namespace analytics_sdk {

namespace {
struct SinkState {
  std::mutex lock;
  MessageSink sink;
};
// Never destroyed: records may still be reported while the process exits.
SinkState& State() {
  static SinkState* state = new SinkState;
  return *state;
}
}  // namespace

void WriteError(const std::string& message) {
  SinkState& state = State();
  MessageSink sink;
  {
    std::lock_guard<std::mutex> guard(state.lock);
    sink = state.sink;
  }
  if (sink) {
    sink(message);
    return;
  }
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fflush(stderr);
}

void SetErrorSink(MessageSink sink) {
  SinkState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  state.sink = std::move(sink);
}

}  // namespace analytics_sdk
