// A small HTTP/1.1 package host for demos, tests and package makers. Every
// regular file F of the root folder is served at "/<md5 of F>/<F>" (GET and
// HEAD, single byte ranges), "/r/<F>" redirects there, and switchable faults
// imitate the servers a real download meets.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace packagehost {

// Faults apply to the first `times` requests that carry a body (-1: all).
struct Faults {
  int64_t resetAfter = -1;  // close the connection after this many body bytes
  int status = 0;           // answer this status with a small body
  bool ignoreRange = false;  // answer 200 with the whole file
  int64_t rate = 0;          // bytes per second per connection (0: unlimited)
  int64_t stallAfter = -1;   // stop sending after this many body bytes, without closing
  int64_t times = -1;
};

struct Options {
  std::string root;
  std::string bind = "127.0.0.1";
  int port = 0;  // 0: any free port
  Faults faults;
  std::string logFile;  // one line per request when not empty
  // Digest of a file (default: its MD5); tests may spare the hashing of huge sparse files.
  std::function<std::string(const std::string& path)> digest;
};

struct RequestRecord {
  std::string method;
  std::string path;
  std::string range;  // the Range header, empty when absent
  int status = 0;
  std::string acceptEncoding;  // the Accept-Encoding header (not logged)
};

class PackageHost {
 public:
  explicit PackageHost(Options options);
  ~PackageHost();  // Stop()
  PackageHost(const PackageHost&) = delete;
  PackageHost& operator=(const PackageHost&) = delete;

  // Scans the root, binds and starts serving; returns the port, or -1 on failure.
  int Start();
  void Stop();
  // Blocks until the server ends.
  void Wait();

  // Re-reads the root folder (files added or changed after Start()).
  void Rescan();
  // Replaces the faults and restarts their request count.
  void SetFaults(const Faults& faults);

  int Port() const { return port_; }
  std::string BaseUrl() const;
  std::string DigestOf(const std::string& fileName) const;
  // "http://ADDR:PORT/<md5>/<F>" and the redirecting "http://ADDR:PORT/r/<F>".
  std::string UrlFor(const std::string& fileName) const;
  std::string RedirectUrlFor(const std::string& fileName) const;
  std::vector<RequestRecord> Requests() const;
  void ClearRequests();

 private:
  struct Package {
    std::string path;
    std::string digest;
    int64_t size = 0;
  };
  void Record(const RequestRecord& record);

  Options options_;
  std::unique_ptr<httplib::Server> server_;
  std::thread listener_;
  int port_ = -1;
  std::atomic<bool> stopping_{false};

  mutable std::mutex lock_;  // guards the members below
  std::map<std::string, Package> packages_;  // by file name
  Faults faults_;
  int64_t bodyRequests_ = 0;
  std::vector<RequestRecord> requests_;
  std::mutex logLock_;
};

// The log line of a request: method, path, Range header ("-" when absent), status.
std::string FormatRequest(const RequestRecord& record);

// Percent-encodes a file name for use in a URL path.
std::string EncodePathSegment(const std::string& name);

}  // namespace packagehost
