#include "analytics/sdk/bounded_mutex.h"

namespace analytics_sdk {

namespace {
std::atomic<long long> gLockWaitMs{5000};
}

std::chrono::milliseconds LockWait() { return std::chrono::milliseconds(gLockWaitMs.load()); }
void SetLockWait(std::chrono::milliseconds wait) { gLockWaitMs.store(wait.count()); }

bool BoundedMutex::TryLockFor(std::chrono::milliseconds wait) {
  if (HeldByCurrentThread()) return false;
  std::unique_lock<std::mutex> guard(inner_);
  if (!released_.wait_for(guard, wait, [this] { return !locked_; })) return false;
  locked_ = true;
  owner_.store(std::this_thread::get_id());
  return true;
}

void BoundedMutex::Unlock() {
  {
    std::lock_guard<std::mutex> guard(inner_);
    locked_ = false;
    owner_.store(std::thread::id());
  }
  released_.notify_one();
}

}  // namespace analytics_sdk
