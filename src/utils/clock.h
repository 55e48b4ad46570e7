// Time as the installer's waits and throttles see it. Tests replace it so that
// retry pauses and once-per-second throttles run without real waiting.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

namespace Utils {

// Pauses the calling thread (Sleep).
void SleepMs(uint32_t milliseconds);
// Whole seconds since the Unix epoch (time()).
int64_t NowEpochSeconds();
// Monotonic milliseconds (tick count).
uint64_t NowTickMs();

// A replacement clock for tests; any member left empty keeps the real one.
struct ClockHooks {
  std::function<void(uint32_t)> sleep;
  std::function<int64_t()> epochSeconds;
  std::function<uint64_t()> tickMs;
};
// Installs the hooks for the whole process until the guard is destroyed.
class ScopedClockForTesting {
 public:
  explicit ScopedClockForTesting(ClockHooks hooks);
  ~ScopedClockForTesting();
  ScopedClockForTesting(const ScopedClockForTesting&) = delete;
  ScopedClockForTesting& operator=(const ScopedClockForTesting&) = delete;
};

// A fake clock for tests: sleeping advances the time instead of waiting.
class FakeClock {
 public:
  FakeClock();
  void Advance(uint32_t milliseconds);
  uint64_t NowMs() const;
  // Total time slept through the hooks.
  uint64_t SleptMs() const;
  ClockHooks Hooks();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace Utils
