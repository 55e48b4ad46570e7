// The installer's worker thread: created suspended, named for debuggers,
// started by its creator with Resume(), joined without a time limit.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace Utils {

class Thread {
 public:
  using Body = std::function<uint32_t(void* argument)>;

  // Creates the thread suspended and names it ("t<id>" when the name is empty).
  // When the system cannot create a thread, HasHandle() is false and the body never runs.
  Thread(void* argument, std::wstring name, Body body);
  ~Thread();  // Join()
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Lets the body run; false when there is no thread or it was resumed already.
  bool Resume();
  // Waits for the end of the thread; returns at once when there is none. A
  // thread that was never resumed ends without running its body.
  void Join();

  bool HasHandle() const { return worker_.joinable(); }
  // Kernel thread id; -1 after Join() or when no thread exists.
  int Id() const { return id_; }
  // True when called on this object's own thread.
  bool IsCurrentThread() const;

  // Makes every following construction fail as if the system refused a thread (tests).
  static void FailCreationForTesting(bool fail);

 private:
  void Run();

  int id_ = -1;
  void* argument_;
  std::wstring name_;
  Body body_;
  std::thread worker_;
  std::thread::id workerId_;

  std::mutex gateLock_;
  std::condition_variable gate_;
  bool idKnown_ = false;
  bool released_ = false;
  bool cancelled_ = false;
};

}  // namespace Utils
