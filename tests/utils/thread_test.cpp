#include "utils/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

#include "platform/thread_name.h"
#include "support/log_capture.h"

namespace {

TEST(WorkerThread, RunsOnlyAfterResumeAndWritesBeginAndEnd) {
  testsupport::LogCapture capture;
  std::atomic<int> runs{0};
  std::string name;
  {
    Utils::Thread t(&runs, L"ABDEF", [&name](void* arg) -> uint32_t {
      name = platform::CurrentThreadName();
      static_cast<std::atomic<int>*>(arg)->fetch_add(1);
      return 0;
    });
    ASSERT_TRUE(t.HasHandle());
    EXPECT_GT(t.Id(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(runs, 0) << "created suspended";
    EXPECT_TRUE(t.Resume());
    EXPECT_FALSE(t.Resume());
    t.Join();
    EXPECT_EQ(t.Id(), -1);
    EXPECT_FALSE(t.HasHandle());
  }
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(name, "ABDEF");
  auto lines = capture.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].ends_with(L"(Utils::Thread::CallBack)<" + lines[0].substr(lines[0].find(L")<") + 2, 4) +
                                 L">: THREAD BEGIN\r\n"));
  EXPECT_TRUE(lines[1].ends_with(L">: THREAD END\r\n"));
  EXPECT_NE(lines[1].find(L"(Utils::Thread::CallBack)"), std::wstring::npos);
}

TEST(WorkerThread, EmptyNameBecomesTAndTheId) {
  std::string name;
  Utils::Thread t(nullptr, L"", [&name](void*) -> uint32_t {
    name = platform::CurrentThreadName();
    return 0;
  });
  int id = t.Id();
  t.Resume();
  t.Join();
  EXPECT_EQ(name, "t" + std::to_string(id));
}

TEST(WorkerThread, DestructionWaitsForTheBody) {
  std::promise<void> entered;
  std::atomic<bool> finished{false};
  std::atomic<bool> release{false};
  auto t = std::make_unique<Utils::Thread>(nullptr, L"w", [&](void*) -> uint32_t {
    entered.set_value();
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    finished = true;
    return 0;
  });
  t->Resume();
  entered.get_future().wait();
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    release = true;
  });
  t.reset();
  EXPECT_TRUE(finished) << "the destructor returned before the body ended";
  releaser.join();
}

TEST(WorkerThread, FailedCreationJoinsAtOnce) {
  Utils::Thread::FailCreationForTesting(true);
  bool ran = false;
  {
    Utils::Thread t(nullptr, L"x", [&ran](void*) -> uint32_t {
      ran = true;
      return 0;
    });
    Utils::Thread::FailCreationForTesting(false);
    EXPECT_FALSE(t.HasHandle());
    EXPECT_EQ(t.Id(), -1);
    EXPECT_FALSE(t.Resume());
    t.Join();
  }
  EXPECT_FALSE(ran);
}

TEST(WorkerThread, NeverResumedThreadEndsWithoutItsBody) {
  testsupport::LogCapture capture;
  bool ran = false;
  {
    Utils::Thread t(nullptr, L"idle", [&ran](void*) -> uint32_t {
      ran = true;
      return 0;
    });
  }
  EXPECT_FALSE(ran);
  EXPECT_EQ(capture.Count(L"THREAD BEGIN"), 0u);
}

TEST(WorkerThread, KnowsItsOwnThread) {
  std::atomic<bool> inside{false};
  Utils::Thread* self = nullptr;
  Utils::Thread t(nullptr, L"me", [&](void*) -> uint32_t {
    inside = self->IsCurrentThread();
    return 0;
  });
  self = &t;
  EXPECT_FALSE(t.IsCurrentThread());
  t.Resume();
  t.Join();
  EXPECT_TRUE(inside);
}

}  // namespace
