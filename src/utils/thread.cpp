#include "utils/thread.h"

#include <atomic>
#include <system_error>

#include "app/log.h"
#include "platform/process_info.h"
#include "platform/thread_name.h"
#include "utils/text.h"

namespace Utils {
namespace {
std::atomic<bool> g_failCreation{false};
}

void Thread::FailCreationForTesting(bool fail) { g_failCreation = fail; }

Thread::Thread(void* argument, std::wstring name, Body body)
    : argument_(argument), name_(std::move(name)), body_(std::move(body)) {
  if (g_failCreation) return;
  try {
    worker_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    return;
  }
  workerId_ = worker_.get_id();
  // The id and the name exist before the constructor returns.
  std::unique_lock<std::mutex> lock(gateLock_);
  gate_.wait(lock, [this] { return idKnown_; });
}

Thread::~Thread() { Join(); }

bool Thread::IsCurrentThread() const { return worker_.joinable() && std::this_thread::get_id() == workerId_; }

bool Thread::Resume() {
  if (!worker_.joinable()) return false;
  std::lock_guard<std::mutex> lock(gateLock_);
  if (released_) return false;
  released_ = true;
  gate_.notify_all();
  return true;
}

void Thread::Join() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(gateLock_);
    if (!released_) {
      cancelled_ = true;
      released_ = true;
      gate_.notify_all();
    }
  }
  if (std::this_thread::get_id() == workerId_) {
    // Joining from the thread itself would deadlock; let it end on its own.
    worker_.detach();
  } else {
    worker_.join();
  }
  id_ = -1;
}

void Thread::Run() {
  int tid = platform::CurrentThreadId();
  std::string threadName = name_.empty() ? "t" + std::to_string(tid) : WideToNarrow(name_);
  platform::SetCurrentThreadName(threadName);
  {
    std::unique_lock<std::mutex> lock(gateLock_);
    id_ = tid;
    idKnown_ = true;
    gate_.notify_all();
    gate_.wait(lock, [this] { return released_; });
    if (cancelled_) return;
  }
  MIRELO_LOG(L"Utils::Thread::CallBack", L"THREAD BEGIN");
  if (body_) body_(argument_);
  MIRELO_LOG(L"Utils::Thread::CallBack", L"THREAD END");
}

}  // namespace Utils
