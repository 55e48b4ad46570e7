// The bounded record queue, its staging file and the batch upload.
#pragma once
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "analytics/sdk/bounded_mutex.h"
#include "analytics/sdk/http_sender.h"
#include "analytics/sdk/value_node.h"

namespace analytics_sdk {

constexpr size_t kMaxQueuedRecords = 1024;
constexpr size_t kMaxBatchRecords = 30;
// Staging lines longer than this are not records this program wrote; skipped.
constexpr size_t kMaxStagingLineBytes = 1024 * 1024;

class RecordConsumer {
 public:
  RecordConsumer(std::string serverUrl, std::string stagingPath);
  ~RecordConsumer();
  RecordConsumer(const RecordConsumer&) = delete;
  RecordConsumer& operator=(const RecordConsumer&) = delete;

  // Queues the record's text; the oldest record goes when more than 1024 are
  // held. False when the record was dropped (closed, or the lock was not had in time).
  bool add(const utils::ObjectNode& record);
  bool addText(std::string text);
  // Sends at most one batch of 30; a failed batch goes back to the front.
  bool flushBatch();
  // Sends batches until the queue is empty; false at the first failure.
  bool flushAll();
  // Saves unsent records to the staging file (atomically); later calls do nothing.
  void close();

  // The queued record texts, oldest first.
  std::vector<std::string> Records();

 private:
  void loadStagingOnce();  // queue lock held
  bool writeStaging();     // queue lock held

  const std::string stagingPath_;
  std::unique_ptr<HttpSender> sender_;
  BoundedMutex queueLock_;
  BoundedMutex flushLock_;
  std::deque<std::string> queue_;
  bool loaded_ = false;
  bool closed_ = false;
};

// Reads the staging file's valid lines (non-empty, "{" first, "}" last),
// keeping only the newest `room` of them. A missing file reads as empty.
std::deque<std::string> ReadStagingLines(const std::string& path, size_t room);
// The same for a text held in memory.
std::deque<std::string> ParseStagingText(std::string_view text, size_t room);

}  // namespace analytics_sdk
