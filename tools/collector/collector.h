// A collection service for analytics uploads, for demos, tests and
// benchmarks. It accepts POST bodies "data_list=<URL-encoded Base64 of gzip>&gzip=1"
// on any path, decodes them, checks that the result is a JSON array and stores
// every record as one line of JSON.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace collector {

// Largest decompressed upload accepted (a batch is at most 30 records).
constexpr size_t kMaxDecodedBytes = 64 * 1024 * 1024;

bool UrlDecode(std::string_view text, std::string& out);
bool Base64Decode(std::string_view text, std::string& out);
// gzip (or zlib) data; false when malformed or larger than maxBytes.
bool Gunzip(std::string_view data, std::string& out, size_t maxBytes = kMaxDecodedBytes);
// The JSON text of an upload body; false with a reason when malformed.
bool DecodeUploadBody(std::string_view body, std::string& json, std::string& error);
// Checks that the text is one JSON array and returns the text of each element.
bool SplitJsonArray(std::string_view json, std::vector<std::string>& elements, std::string& error);

struct Options {
  std::string bind = "127.0.0.1";
  int port = 0;         // 0: any free port
  std::string outPath;  // records are appended here, one per line (empty: memory only)
  int status = 200;     // answer to a well-formed upload
  int failFirst = 0;    // the first K requests are answered 500
  // When set, decides the status for the request with this index (0-based)
  // instead of `status` and `failFirst`.
  std::function<int(int index)> statusFor;
};

class Collector {
 public:
  explicit Collector(Options options);
  ~Collector();
  Collector(const Collector&) = delete;
  Collector& operator=(const Collector&) = delete;

  // Binds and serves on a thread of its own; false with a reason on failure.
  bool Start(std::string& error);
  void Stop();
  int port() const { return port_; }
  std::string url() const;

  // Every request seen, and the records stored, in arrival order.
  int RequestCount() const;
  std::vector<std::string> Records() const;
  // Number of records in each stored upload.
  std::vector<size_t> BatchSizes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace collector
