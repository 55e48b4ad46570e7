#include "utils/clock.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/process_info.h"

namespace Utils {
namespace {

std::mutex g_hookLock;
std::shared_ptr<ClockHooks> g_hooks;  // guarded by g_hookLock

std::shared_ptr<ClockHooks> Hooks() {
  std::lock_guard<std::mutex> guard(g_hookLock);
  return g_hooks;
}

}  // namespace

void SleepMs(uint32_t ms) {
  auto hooks = Hooks();
  if (hooks && hooks->sleep) {
    hooks->sleep(ms);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int64_t NowEpochSeconds() {
  auto hooks = Hooks();
  if (hooks && hooks->epochSeconds) return hooks->epochSeconds();
  return platform::EpochMs() / 1000;
}

uint64_t NowTickMs() {
  auto hooks = Hooks();
  if (hooks && hooks->tickMs) return hooks->tickMs();
  return platform::TickCountMs();
}

ScopedClockForTesting::ScopedClockForTesting(ClockHooks hooks) {
  std::lock_guard<std::mutex> guard(g_hookLock);
  g_hooks = std::make_shared<ClockHooks>(std::move(hooks));
}

ScopedClockForTesting::~ScopedClockForTesting() {
  std::lock_guard<std::mutex> guard(g_hookLock);
  g_hooks.reset();
}

struct FakeClock::State {
  std::atomic<uint64_t> nowMs{1'700'000'000'000ull};
  std::atomic<uint64_t> sleptMs{0};
};

FakeClock::FakeClock() : state_(std::make_shared<State>()) {}

void FakeClock::Advance(uint32_t ms) { state_->nowMs += ms; }

uint64_t FakeClock::NowMs() const { return state_->nowMs; }

uint64_t FakeClock::SleptMs() const { return state_->sleptMs; }

ClockHooks FakeClock::Hooks() {
  auto state = state_;
  ClockHooks hooks;
  hooks.sleep = [state](uint32_t ms) {
    state->nowMs += ms;
    state->sleptMs += ms;
    std::this_thread::yield();
  };
  hooks.epochSeconds = [state] { return static_cast<int64_t>(state->nowMs / 1000); };
  hooks.tickMs = [state] { return static_cast<uint64_t>(state->nowMs); };
  return hooks;
}

}  // namespace Utils
