#include "analytics/sdk/record_consumer.h"

#include <fstream>

#include "analytics/sdk/messages.h"
#include "platform/files.h"
#include "platform/utf.h"

namespace analytics_sdk {

namespace {

bool IsRecordLine(std::string_view line) { return !line.empty() && line.front() == '{' && line.back() == '}'; }

// Keeps the newest `room` lines of a stream of lines.
class LineKeeper {
 public:
  explicit LineKeeper(size_t room) : room_(room) {}
  void Offer(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (room_ == 0 || line.size() > kMaxStagingLineBytes || !IsRecordLine(line)) return;
    lines_.emplace_back(line);
    if (lines_.size() > room_) lines_.pop_front();
  }
  std::deque<std::string> Take() { return std::move(lines_); }

 private:
  size_t room_;
  std::deque<std::string> lines_;
};

}  // namespace

std::deque<std::string> ParseStagingText(std::string_view text, size_t room) {
  LineKeeper keeper(room);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    keeper.Offer(text.substr(start, end - start));
    start = end + 1;
  }
  return keeper.Take();
}

std::deque<std::string> ReadStagingLines(const std::string& path, size_t room) {
  LineKeeper keeper(room);
  if (room == 0) return keeper.Take();
  std::ifstream in(path, std::ios::binary);
  if (!in) return keeper.Take();
  // Read in blocks so an over-long line never has to be held whole.
  std::string line;
  bool overlong = false;
  char block[16384];
  while (in) {
    in.read(block, sizeof(block));
    const std::streamsize got = in.gcount();
    for (std::streamsize i = 0; i < got; ++i) {
      const char c = block[i];
      if (c == '\n') {
        if (!overlong) keeper.Offer(line);
        line.clear();
        overlong = false;
      } else if (!overlong) {
        if (line.size() >= kMaxStagingLineBytes + 1) {
          overlong = true;
          line.clear();
        } else {
          line += c;
        }
      }
    }
  }
  if (!overlong) keeper.Offer(line);
  return keeper.Take();
}

RecordConsumer::RecordConsumer(std::string serverUrl, std::string stagingPath)
    : stagingPath_(std::move(stagingPath)), sender_(std::make_unique<HttpSender>(std::move(serverUrl))) {}

RecordConsumer::~RecordConsumer() { close(); }

bool RecordConsumer::add(const utils::ObjectNode& record) { return addText(record.ToJson()); }

bool RecordConsumer::addText(std::string text) {
  BoundedLock lock(queueLock_);
  if (!lock.owns() || closed_) return false;
  queue_.push_back(std::move(text));
  if (queue_.size() > kMaxQueuedRecords) queue_.pop_front();
  return true;
}

void RecordConsumer::loadStagingOnce() {
  if (loaded_) return;
  const size_t room = kMaxQueuedRecords - std::min(kMaxQueuedRecords, queue_.size());
  std::deque<std::string> lines = ReadStagingLines(stagingPath_, room);
  queue_.insert(queue_.begin(), std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
  // Emptied by replacement: the records now live in the queue.
  const std::wstring path = platform::Utf8ToWide(stagingPath_);
  if (platform::PathExists(path)) platform::ReplaceFileAtomically(path, "");
  loaded_ = true;
}

bool RecordConsumer::writeStaging() {
  std::string content;
  for (const std::string& record : queue_) {
    content += record;
    content += '\n';
  }
  const std::wstring path = platform::Utf8ToWide(stagingPath_);
  if (content.empty() && !platform::PathExists(path)) return true;
  return platform::ReplaceFileAtomically(path, content);
}

bool RecordConsumer::flushBatch() {
  {
    BoundedLock lock(queueLock_);
    if (!lock.owns() || closed_) return false;
    loadStagingOnce();
  }
  BoundedLock flush(flushLock_);
  if (!flush.owns()) return false;
  std::vector<std::string> batch;
  {
    BoundedLock lock(queueLock_);
    if (!lock.owns() || closed_) return false;
    const size_t n = std::min(queue_.size(), kMaxBatchRecords);
    if (n == 0) return true;
    batch.assign(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.begin() + n));
    queue_.erase(queue_.begin(), queue_.begin() + n);
  }
  std::string payload = "[";
  for (size_t i = 0; i < batch.size(); ++i) {
    if (i) payload += ',';
    payload += batch[i];
  }
  payload += ']';
  const bool ok = sender_->send(payload);
  if (!ok) {
    BoundedLock lock(queueLock_);
    if (lock.owns()) {
      const size_t room = kMaxQueuedRecords - std::min(kMaxQueuedRecords, queue_.size());
      const size_t keep = std::min(room, batch.size());
      queue_.insert(queue_.begin(), std::make_move_iterator(batch.end() - keep), std::make_move_iterator(batch.end()));
    }
  }
  return ok;
}

bool RecordConsumer::flushAll() {
  {
    BoundedLock lock(queueLock_);
    if (!lock.owns() || closed_) return false;
    loadStagingOnce();
  }
  for (;;) {
    {
      BoundedLock lock(queueLock_);
      if (!lock.owns() || closed_) return false;
      if (queue_.empty()) return true;
    }
    if (!flushBatch()) return false;
  }
}

void RecordConsumer::close() {
  // A batch in flight finishes (or goes back to the queue) before the save.
  BoundedLock flush(flushLock_);
  BoundedLock lock(queueLock_);
  if (!lock.owns() || closed_) return;
  loadStagingOnce();
  if (!writeStaging()) WriteError("Failed to save the analytics staging file: " + stagingPath_ + "\n");
  closed_ = true;
}

std::vector<std::string> RecordConsumer::Records() {
  BoundedLock lock(queueLock_);
  if (!lock.owns()) return {};
  return std::vector<std::string>(queue_.begin(), queue_.end());
}

}  // namespace analytics_sdk
