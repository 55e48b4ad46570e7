// A mutex whose acquisition never waits forever. Analytics records are also
// made from the crash handler, which runs on whatever thread failed: that
// thread may already hold one of these locks, or another thread may hold it
// and never come back. A lock attempt by the owning thread fails at once; any
// other attempt gives up after the wait, and the caller drops its work.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace analytics_sdk {

// Default longest wait for a lock on the recording path.
std::chrono::milliseconds LockWait();
// Changes the wait (tests shorten it).
void SetLockWait(std::chrono::milliseconds wait);

class BoundedMutex {
 public:
  // True when the lock was taken within the wait.
  bool TryLockFor(std::chrono::milliseconds wait);
  void Unlock();
  bool HeldByCurrentThread() const { return owner_.load() == std::this_thread::get_id(); }

 private:
  // The inner mutex is held only for a few instructions at a time; the lock
  // itself is the `locked_` flag.
  std::mutex inner_;
  std::condition_variable released_;
  bool locked_ = false;
  std::atomic<std::thread::id> owner_{};
};

// Scoped holder: check owns() before touching what the lock guards.
class BoundedLock {
 public:
  explicit BoundedLock(BoundedMutex& mutex, std::chrono::milliseconds wait = LockWait())
      : mutex_(mutex), owns_(mutex.TryLockFor(wait)) {}
  ~BoundedLock() {
    if (owns_) mutex_.Unlock();
  }
  BoundedLock(const BoundedLock&) = delete;
  BoundedLock& operator=(const BoundedLock&) = delete;
  bool owns() const { return owns_; }
  void unlock() {
    if (owns_) mutex_.Unlock();
    owns_ = false;
  }

 private:
  BoundedMutex& mutex_;
  bool owns_;
};

}  // namespace analytics_sdk
