#include "download/download_common.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <vector>

#include "utils/md5.h"
#include "utils/text.h"

namespace download {

std::string ExpectedDigestFromUrl(std::string_view realUrl) {
  size_t last = realUrl.rfind('/');
  if (last == std::string_view::npos || last == 0) return {};
  size_t before = realUrl.rfind('/', last - 1);
  if (before == std::string_view::npos) return {};
  std::string_view segment = realUrl.substr(before + 1, last - before - 1);
  if (segment.size() != 32) return {};
  return std::string(segment);
}

std::string NarrowUrl(const std::wstring& url) {
  if (url.rfind(L"file:///", 0) == 0) return Utils::WideToNarrow(url);
  return Utils::WideToUtf8(url);
}

DigestVerdict CheckPackageDigest(const std::string& expectedDigest, const std::string& narrowPath) {
  if (expectedDigest.size() != 32) return DigestVerdict::kNoDigest;
  return CompareDigests(expectedDigest, Utils::GetFileMd5(narrowPath));
}

DigestVerdict CompareDigests(const std::string& expectedDigest, const std::string& actualDigest) {
  if (expectedDigest.size() != 32) return DigestVerdict::kNoDigest;
  if (actualDigest.size() != 32) return DigestVerdict::kVerified;
  return actualDigest == expectedDigest ? DigestVerdict::kVerified : DigestVerdict::kMismatch;
}

namespace {
constexpr size_t kChunkBytes = 1024 * 1024;
constexpr size_t kChunks = 6;  // at most this many MiB wait for the hashing thread
}  // namespace

// Bytes are gathered into chunks of 1 MiB; full chunks go to the hashing
// thread, which hands them back empty.
struct StreamingDigest::State {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::vector<char>> free;    // empty chunks
  std::deque<std::vector<char>> full;     // chunks waiting to be hashed
  std::vector<char> current;              // the chunk being filled (owned by the feeding thread)
  bool busy = false;  // the thread is hashing a chunk taken from `full`
  bool quit = false;
  int64_t bytes = 0;
  Utils::Md5 md5;
};

StreamingDigest::StreamingDigest() : state_(std::make_unique<State>()) {
  thread_ = std::make_unique<Utils::Thread>(nullptr, L"md5", [this](void*) { return Body(); });
  if (!thread_->Resume()) thread_.reset();
}

StreamingDigest::~StreamingDigest() {
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->quit = true;
  }
  state_->changed.notify_all();
  if (thread_) thread_->Join();
}

uint32_t StreamingDigest::Body() {
  std::unique_lock<std::mutex> guard(state_->lock);
  for (;;) {
    state_->changed.wait(guard, [this] { return state_->quit || !state_->full.empty(); });
    if (state_->full.empty()) return 0;
    std::vector<char> chunk = std::move(state_->full.front());
    state_->full.pop_front();
    state_->busy = true;
    guard.unlock();
    state_->md5.Update(chunk.data(), chunk.size());
    chunk.clear();
    guard.lock();
    state_->busy = false;
    state_->free.push_back(std::move(chunk));
    state_->changed.notify_all();
  }
}

void StreamingDigest::Drain(std::unique_lock<std::mutex>& guard) {
  if (!state_->current.empty()) {
    if (thread_) {
      state_->full.push_back(std::move(state_->current));
      state_->current = std::vector<char>();
      state_->changed.notify_all();
    } else {
      state_->md5.Update(state_->current.data(), state_->current.size());
      state_->current.clear();
    }
  }
  state_->changed.wait(guard, [this] { return state_->full.empty() && !state_->busy; });
}

void StreamingDigest::Reset() {
  std::unique_lock<std::mutex> guard(state_->lock);
  Drain(guard);
  state_->md5.Init();
  state_->bytes = 0;
}

void StreamingDigest::Feed(const char* data, size_t size) {
  std::unique_lock<std::mutex> guard(state_->lock);
  state_->bytes += static_cast<int64_t>(size);
  while (size > 0) {
    std::vector<char>& current = state_->current;
    if (current.capacity() < kChunkBytes) current.reserve(kChunkBytes);
    size_t take = std::min(size, kChunkBytes - current.size());
    current.insert(current.end(), data, data + take);
    data += take;
    size -= take;
    if (current.size() < kChunkBytes) break;
    if (!thread_) {
      state_->md5.Update(current.data(), current.size());
      current.clear();
      continue;
    }
    // Hand the full chunk over and continue in an empty one.
    size_t inUse = state_->full.size() + (state_->busy ? 1 : 0);
    state_->changed.wait(guard, [&] {
      inUse = state_->full.size() + (state_->busy ? 1 : 0);
      return inUse + 1 < kChunks;
    });
    state_->full.push_back(std::move(current));
    if (!state_->free.empty()) {
      state_->current = std::move(state_->free.back());
      state_->free.pop_back();
    } else {
      state_->current = std::vector<char>();
    }
    state_->changed.notify_all();
  }
}

int64_t StreamingDigest::Bytes() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->bytes;
}

std::string StreamingDigest::Finish() {
  std::unique_lock<std::mutex> guard(state_->lock);
  Drain(guard);
  std::string text = Utils::Md5Hex(state_->md5.Final());
  state_->md5.Init();
  state_->bytes = 0;
  return text;
}

namespace {

bool ParseNumber(std::string_view text, int64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::optional<ContentRange> ParseContentRange(std::string_view value) {
  value = Trim(value);
  constexpr std::string_view kUnit = "bytes";
  if (value.size() <= kUnit.size()) return std::nullopt;
  for (size_t i = 0; i < kUnit.size(); ++i) {
    char c = value[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kUnit[i]) return std::nullopt;
  }
  value.remove_prefix(kUnit.size());
  if (value.front() != ' ') return std::nullopt;
  value = Trim(value);
  size_t dash = value.find('-');
  size_t slash = value.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || dash > slash) return std::nullopt;
  ContentRange range;
  if (!ParseNumber(value.substr(0, dash), range.first)) return std::nullopt;
  if (!ParseNumber(value.substr(dash + 1, slash - dash - 1), range.last)) return std::nullopt;
  std::string_view total = value.substr(slash + 1);
  if (total == "*") {
    range.total = -1;
  } else if (!ParseNumber(total, range.total)) {
    return std::nullopt;
  }
  if (range.last < range.first) return std::nullopt;
  if (range.total >= 0 && range.last >= range.total) return std::nullopt;
  return range;
}

bool RangedResponseAcceptable(long status, const std::optional<ContentRange>& range, int64_t next, int64_t last,
                              int64_t length) {
  if (status == 206) {
    return range.has_value() && range->first == next && range->last <= last &&
           (range->total < 0 || range->total == length);
  }
  if (status == 200) return next == 0 && length > 0 && last == length - 1;
  return false;
}

namespace {
std::atomic<long> g_stallSeconds{5};
}

long StallSeconds() { return g_stallSeconds; }
void SetStallSecondsForTesting(long seconds) { g_stallSeconds = seconds > 0 ? seconds : 5; }

namespace {
thread_local const void* t_runThreadOwner = nullptr;
}

ScopedRunThreadMark::ScopedRunThreadMark(const void* owner) : previous_(t_runThreadOwner) {
  t_runThreadOwner = owner;
}

ScopedRunThreadMark::~ScopedRunThreadMark() { t_runThreadOwner = previous_; }

bool ScopedRunThreadMark::IsMarkedFor(const void* owner) { return owner != nullptr && t_runThreadOwner == owner; }

RunLoop::RunLoop(const void* owner, std::function<void()> run) : owner_(owner), run_(std::move(run)) {}

RunLoop::~RunLoop() { Stop(); }

void RunLoop::Start() {
  if (ScopedRunThreadMark::IsMarkedFor(owner_)) {
    // Called from inside a run: the run thread begins the next run when this one returns.
    std::lock_guard<std::mutex> state(stateLock_);
    if (!stopped_) rerun_ = true;
    return;
  }
  std::lock_guard<std::mutex> start(startLock_);
  {
    std::lock_guard<std::mutex> state(stateLock_);
    if (stopped_) return;
  }
  if (thread_) {
    thread_->Join();
    thread_.reset();
  }
  thread_ = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [this](void*) { return Body(); });
  thread_->Resume();
}

void RunLoop::Stop() {
  {
    std::lock_guard<std::mutex> state(stateLock_);
    stopped_ = true;
    rerun_ = false;
  }
  std::lock_guard<std::mutex> start(startLock_);
  if (thread_) {
    thread_->Join();
    thread_.reset();
  }
}

uint32_t RunLoop::Body() {
  ScopedRunThreadMark mark(owner_);
  for (;;) {
    run_();
    std::lock_guard<std::mutex> state(stateLock_);
    if (!rerun_ || stopped_) break;
    rerun_ = false;
  }
  return 0;
}

}  // namespace download
