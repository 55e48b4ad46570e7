// Pieces shared by the downloaders: the digest rule, URL and path encodings,
// the response checks of ranged transfers, and the run loop that owns a
// downloader's worker thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "utils/thread.h"

namespace download {

// The expected MD5 text of a package: the segment between the last "/" of the
// real URL and the "/" before it, when it is exactly 32 characters long; empty
// otherwise.
std::string ExpectedDigestFromUrl(std::string_view realUrl);

// The URL as libcurl receives it: UTF-8, or the narrow code page for "file:///".
std::string NarrowUrl(const std::wstring& url);

enum class DigestVerdict { kNoDigest, kVerified, kMismatch };
// The digest check after a complete download: kNoDigest without an expected
// digest; kVerified when the file's digest equals it (or cannot be computed);
// kMismatch otherwise. The comparison is exact and case-sensitive.
DigestVerdict CheckPackageDigest(const std::string& expectedDigest, const std::string& narrowPath);

// The digest check with the file's digest already known (empty: it could not
// be computed, which counts as verified).
DigestVerdict CompareDigests(const std::string& expectedDigest, const std::string& actualDigest);

// The MD5 of a byte stream computed on a thread of its own while the stream is
// written, so that a package's digest is ready when its last byte is stored.
// At most a few MiB wait in the queue; Feed() blocks beyond that.
class StreamingDigest {
 public:
  StreamingDigest();
  ~StreamingDigest();  // joins the hashing thread
  StreamingDigest(const StreamingDigest&) = delete;
  StreamingDigest& operator=(const StreamingDigest&) = delete;

  // Starts a new stream.
  void Reset();
  void Feed(const char* data, size_t size);
  // Bytes fed since the last Reset().
  int64_t Bytes() const;
  // Waits for the queue to drain and returns the 32-character digest text of
  // the stream; the stream starts anew afterwards.
  std::string Finish();

 private:
  uint32_t Body();
  // Hands over the partly filled chunk and waits until everything is hashed.
  void Drain(std::unique_lock<std::mutex>& guard);

  struct State;
  std::unique_ptr<State> state_;
  std::unique_ptr<Utils::Thread> thread_;
};

// "Content-Range: bytes FIRST-LAST/TOTAL" (TOTAL may be "*"); nullopt when the
// value is not of that form or the numbers are inconsistent.
struct ContentRange {
  int64_t first = 0;
  int64_t last = 0;
  int64_t total = -1;  // -1 when "*"
};
std::optional<ContentRange> ParseContentRange(std::string_view value);

// Whether a response may be written to a part that asked for bytes
// [next, last] of a package of `length` bytes: 206 whose Content-Range starts
// at `next`, or 200 when the request covered the whole package from byte 0.
bool RangedResponseAcceptable(long status, const std::optional<ContentRange>& range, int64_t next, int64_t last,
                              int64_t length);

// Seconds below 1 byte per second after which a transfer attempt is given up
// (CURLE_OPERATION_TIMEDOUT). Five by default; tests shorten it.
long StallSeconds();
void SetStallSecondsForTesting(long seconds);

// Marks the calling thread as working for `owner` while it exists, so that a
// Start() made on that thread (from inside the listener) can be recognised.
class ScopedRunThreadMark {
 public:
  explicit ScopedRunThreadMark(const void* owner);
  ~ScopedRunThreadMark();
  ScopedRunThreadMark(const ScopedRunThreadMark&) = delete;
  ScopedRunThreadMark& operator=(const ScopedRunThreadMark&) = delete;
  static bool IsMarkedFor(const void* owner);

 private:
  const void* previous_;
};

// Owns a downloader's run thread ("ABDEF"). Start() from another thread waits
// for the previous run thread, then begins a run on a new one. Start() from one
// of the downloader's own threads (the listener answering with Start()) only
// asks for another run, which the current run thread begins once the current
// run has returned, so no thread ever waits for itself.
class RunLoop {
 public:
  // `owner` identifies the downloader's threads; `run` performs one run.
  RunLoop(const void* owner, std::function<void()> run);
  ~RunLoop();  // Stop()
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  void Start();
  // Drops a requested rerun and joins the run thread. Later Start() calls do nothing.
  void Stop();

 private:
  uint32_t Body();

  const void* owner_;
  std::function<void()> run_;
  std::mutex startLock_;  // serialises Start() and Stop() made from outside the run thread
  std::mutex stateLock_;  // guards rerun_ and stopped_
  bool rerun_ = false;
  bool stopped_ = false;
  std::unique_ptr<Utils::Thread> thread_;
};

}  // namespace download
