#include "package_host.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "utils/md5.h"

namespace packagehost {
namespace {

constexpr size_t kChunk = 256 * 1024;

// Body bytes of one response, shared by the calls of its content provider.
struct ResponseBody {
  std::ifstream file;
  int64_t sent = 0;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
};

}  // namespace

std::string FormatRequest(const RequestRecord& r) {
  return r.method + " " + r.path + " " + (r.range.empty() ? "-" : r.range) + " " + std::to_string(r.status);
}

std::string EncodePathSegment(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

PackageHost::PackageHost(Options options) : options_(std::move(options)), faults_(options_.faults) {
  if (!options_.digest) options_.digest = [](const std::string& path) { return Utils::GetFileMd5(path); };
}

PackageHost::~PackageHost() { Stop(); }

void PackageHost::Rescan() {
  std::map<std::string, Package> packages;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(options_.root, error)) {
    std::error_code fileError;
    if (!entry.is_regular_file(fileError)) continue;
    Package package;
    package.path = entry.path().string();
    package.size = static_cast<int64_t>(entry.file_size(fileError));
    if (fileError) continue;
    package.digest = options_.digest(package.path);
    packages[entry.path().filename().string()] = package;
  }
  std::lock_guard<std::mutex> guard(lock_);
  packages_ = std::move(packages);
}

void PackageHost::SetFaults(const Faults& faults) {
  std::lock_guard<std::mutex> guard(lock_);
  faults_ = faults;
  bodyRequests_ = 0;
}

std::string PackageHost::BaseUrl() const {
  return "http://" + options_.bind + ":" + std::to_string(port_) + "/";
}

std::string PackageHost::DigestOf(const std::string& fileName) const {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = packages_.find(fileName);
  return it == packages_.end() ? std::string() : it->second.digest;
}

std::string PackageHost::UrlFor(const std::string& fileName) const {
  return BaseUrl() + DigestOf(fileName) + "/" + EncodePathSegment(fileName);
}

std::string PackageHost::RedirectUrlFor(const std::string& fileName) const {
  return BaseUrl() + "r/" + EncodePathSegment(fileName);
}

std::vector<RequestRecord> PackageHost::Requests() const {
  std::lock_guard<std::mutex> guard(lock_);
  return requests_;
}

void PackageHost::ClearRequests() {
  std::lock_guard<std::mutex> guard(lock_);
  requests_.clear();
}

void PackageHost::Record(const RequestRecord& record) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    requests_.push_back(record);
  }
  if (options_.logFile.empty()) return;
  std::lock_guard<std::mutex> guard(logLock_);
  if (FILE* log = std::fopen(options_.logFile.c_str(), "a")) {
    std::fprintf(log, "%s\n", FormatRequest(record).c_str());
    std::fclose(log);
  }
}

int PackageHost::Start() {
  if (server_) return port_;
  Rescan();
  stopping_ = false;
  server_ = std::make_unique<httplib::Server>();
  server_->set_keep_alive_timeout(2);
  server_->Get(R"(/(.*))", [this](const httplib::Request& req, httplib::Response& res) {
    RequestRecord record{req.method, req.path, req.get_header_value("Range"), 404,
                         req.get_header_value("Accept-Encoding")};
    std::string path = req.path;
    std::string file;
    std::string digest;
    bool redirect = false;
    if (path.rfind("/r/", 0) == 0) {
      file = path.substr(3);
      redirect = true;
    } else if (size_t slash = path.find('/', 1); slash != std::string::npos) {
      digest = path.substr(1, slash - 1);
      file = path.substr(slash + 1);
    }
    Package package;
    bool known = false;
    Faults faults;
    bool faultsApply = false;
    {
      std::lock_guard<std::mutex> guard(lock_);
      auto it = packages_.find(file);
      known = it != packages_.end() && file.find('/') == std::string::npos &&
              (redirect || it->second.digest == digest);
      if (known) package = it->second;
      if (known && !redirect && req.method == "GET") {
        ++bodyRequests_;
        faults = faults_;
        faultsApply = faults_.times < 0 || bodyRequests_ <= faults_.times;
      }
    }
    if (!known) {
      res.status = 404;
      res.set_content("not found\n", "text/plain");
      Record(record);
      return;
    }
    if (redirect) {
      res.status = record.status = 302;
      res.set_header("Location", "/" + package.digest + "/" + EncodePathSegment(file));
      Record(record);
      return;
    }
    if (!faultsApply) faults = Faults{};
    if (faults.status != 0) {
      res.status = record.status = faults.status;
      res.set_content("fault\n", "text/plain");
      Record(record);
      return;
    }

    int64_t size = package.size;
    int status = 200;
    if (faults.ignoreRange) {
      // The request object belongs to the server's connection loop and is not const itself;
      // dropping its parsed ranges keeps the library from answering the range on our behalf.
      const_cast<httplib::Request&>(req).ranges.clear();
    }
    if (!req.ranges.empty() && !faults.ignoreRange) {
      if (req.ranges.size() == 1) {
        int64_t first = req.ranges[0].first;
        int64_t last = req.ranges[0].second;
        bool satisfiable = first >= 0 ? first < size && (last < 0 || (last >= first && last < size))
                                      : last > 0 && size > 0;
        if (!satisfiable) {
          res.status = record.status = 416;
          res.set_header("Content-Range", "bytes */" + std::to_string(size));
          res.set_content("range not satisfiable\n", "text/plain");
          Record(record);
          return;
        }
        status = 206;
      }
    }
    res.status = record.status = status;
    Record(record);
    if (size == 0) {
      res.set_content("", "application/octet-stream");
      return;
    }
    auto body = std::make_shared<ResponseBody>();
    body->file.open(package.path, std::ios::binary);
    res.set_content_provider(
        static_cast<size_t>(size), "application/octet-stream",
        [this, body, faults](size_t offset, size_t length, httplib::DataSink& sink) {
          if (!body->file) return false;
          size_t chunk = std::min(length, kChunk);
          if (faults.rate > 0) chunk = std::min<size_t>(chunk, static_cast<size_t>(std::max<int64_t>(faults.rate / 20, 1)));
          if (faults.resetAfter >= 0) {
            if (body->sent >= faults.resetAfter) return false;
            chunk = std::min<size_t>(chunk, static_cast<size_t>(faults.resetAfter - body->sent));
          }
          if (faults.stallAfter >= 0) {
            if (body->sent >= faults.stallAfter) {
              // Hold the connection open without sending until the host stops.
              while (!stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
              return false;
            }
            chunk = std::min<size_t>(chunk, static_cast<size_t>(faults.stallAfter - body->sent));
          }
          if (faults.rate > 0) {
            auto due = body->started + std::chrono::microseconds(body->sent * 1000000 / faults.rate);
            while (!stopping_ && std::chrono::steady_clock::now() < due) {
              std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                  due - std::chrono::steady_clock::now(), std::chrono::milliseconds(20)));
            }
            if (stopping_) return false;
          }
          std::vector<char> buffer(chunk);
          body->file.seekg(static_cast<std::streamoff>(offset));
          body->file.read(buffer.data(), static_cast<std::streamsize>(chunk));
          size_t got = static_cast<size_t>(body->file.gcount());
          if (got == 0) return false;
          body->sent += static_cast<int64_t>(got);
          return sink.write(buffer.data(), got);
        });
  });
  port_ = options_.port == 0 ? server_->bind_to_any_port(options_.bind)
                             : (server_->bind_to_port(options_.bind, options_.port) ? options_.port : -1);
  if (port_ <= 0) {
    server_.reset();
    port_ = -1;
    return -1;
  }
  listener_ = std::thread([this] { server_->listen_after_bind(); });
  return port_;
}

void PackageHost::Wait() {
  if (listener_.joinable()) listener_.join();
}

void PackageHost::Stop() {
  stopping_ = true;
  if (server_) server_->stop();
  if (listener_.joinable()) listener_.join();
  server_.reset();
}

}  // namespace packagehost
