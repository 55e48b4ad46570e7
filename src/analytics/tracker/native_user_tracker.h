// User-profile properties: a fixed table decides, for each known key, whether
// a value is set once, set, incremented or appended. Also the tracker log file.
#pragma once
#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>

namespace tarsel {
namespace analytics {

enum ProfileOperation : int32_t {
  kProfileNotSupported = 0,
  kProfileSetOnce = 1,
  kProfileIncrement = 2,
  kProfileSet = 3,
  kProfileAppend = 4,
};

class NativeUserTracker {
 public:
  static ProfileOperation operationFor(const std::string& key);
  static void ProfileUserPropertyString(const std::string& key, const std::string& value);
  static void ProfileUserPropertyNumber(const std::string& key, int32_t value);
  static void ProfileUserPropertyNumber(const std::string& key, double value);
  // An epoch value: 157789440000 and more is milliseconds, less is seconds.
  static void ProfileUserPropertyDateTime(const std::string& key, int64_t value);
};

class TrackLogger {
 public:
  virtual ~TrackLogger() = default;
  virtual std::string path() const = 0;
  virtual bool isOpen() const = 0;
};

// The tracker log: initialisation creates and opens the file; no lines are written.
class NativeTrackLogger : public TrackLogger {
 public:
  NativeTrackLogger() = default;
  ~NativeTrackLogger() override;
  void open(const std::string& path);
  std::string path() const override;
  bool isOpen() const override;

 private:
  mutable std::mutex lock_;
  std::string path_;
  std::ofstream file_;
};

}  // namespace analytics
}  // namespace tarsel
