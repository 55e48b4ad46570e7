#include "collector.h"

#include <httplib.h>
#include <zlib.h>

#include <chrono>
#include <fstream>

namespace collector {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// A small JSON validator that remembers where each top-level element lies.
class JsonChecker {
 public:
  explicit JsonChecker(std::string_view text) : text_(text) {}

  bool Array(std::vector<std::string>& elements, std::string& error) {
    SkipBlanks();
    if (!Take('[')) return Fail("not a JSON array", error);
    SkipBlanks();
    if (Take(']')) return End(error);
    for (;;) {
      SkipBlanks();
      const size_t start = pos_;
      if (!Value(1)) return Fail("malformed JSON at byte " + std::to_string(pos_), error);
      elements.emplace_back(text_.substr(start, pos_ - start));
      SkipBlanks();
      if (Take(',')) continue;
      if (Take(']')) return End(error);
      return Fail("malformed JSON array at byte " + std::to_string(pos_), error);
    }
  }

 private:
  static constexpr int kMaxDepth = 64;

  bool End(std::string& error) {
    SkipBlanks();
    if (pos_ != text_.size()) return Fail("text after the JSON array", error);
    return true;
  }
  static bool Fail(const std::string& reason, std::string& error) {
    error = reason;
    return false;
  }
  void SkipBlanks() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
      ++pos_;
  }
  bool Take(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool Word(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }
  bool Value(int depth) {
    if (depth > kMaxDepth) return false;
    SkipBlanks();
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_];
    if (c == '{') return Object(depth);
    if (c == '[') return List(depth);
    if (c == '"') return String();
    if (c == 't') return Word("true");
    if (c == 'f') return Word("false");
    if (c == 'n') return Word("null");
    return Number();
  }
  bool Object(int depth) {
    ++pos_;
    SkipBlanks();
    if (Take('}')) return true;
    for (;;) {
      SkipBlanks();
      if (!String()) return false;
      SkipBlanks();
      if (!Take(':')) return false;
      if (!Value(depth + 1)) return false;
      SkipBlanks();
      if (Take(',')) continue;
      return Take('}');
    }
  }
  bool List(int depth) {
    ++pos_;
    SkipBlanks();
    if (Take(']')) return true;
    for (;;) {
      if (!Value(depth + 1)) return false;
      SkipBlanks();
      if (Take(',')) continue;
      return Take(']');
    }
  }
  bool String() {
    if (!Take('"')) return false;
    while (pos_ < text_.size()) {
      const auto c = static_cast<unsigned char>(text_[pos_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c == '\\') {
        if (pos_ >= text_.size()) return false;
        const char e = text_[pos_++];
        if (e == 'u') {
          for (int i = 0; i < 4; ++i) {
            if (pos_ >= text_.size() || HexValue(text_[pos_++]) < 0) return false;
          }
        } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
          return false;
        }
      }
    }
    return false;
  }
  bool Digits() {
    const size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    return pos_ > start;
  }
  bool Number() {
    Take('-');
    if (!Digits()) return false;
    if (Take('.') && !Digits()) return false;
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (!Take('+')) Take('-');
      if (!Digits()) return false;
    }
    return true;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

bool UrlDecode(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return false;
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return false;
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else if (c == '+') {
      out += ' ';
    } else {
      out += c;
    }
  }
  return true;
}

bool Base64Decode(std::string_view text, std::string& out) {
  out.clear();
  if (text.size() % 4 != 0) return false;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    int values[4];
    int fill = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text[i + k];
      if (c == '=') {
        // Fill characters only at the very end, at most two.
        if (i + 4 != text.size() || k < 2) return false;
        values[k] = 0;
        ++fill;
      } else {
        if (fill) return false;
        values[k] = Base64Value(c);
        if (values[k] < 0) return false;
      }
    }
    const uint32_t v = (values[0] << 18) | (values[1] << 12) | (values[2] << 6) | values[3];
    out += static_cast<char>((v >> 16) & 0xFF);
    if (fill < 2) out += static_cast<char>((v >> 8) & 0xFF);
    if (fill < 1) out += static_cast<char>(v & 0xFF);
  }
  return true;
}

bool Gunzip(std::string_view data, std::string& out, size_t maxBytes) {
  out.clear();
  z_stream stream{};
  if (inflateInit2(&stream, 47) != Z_OK) return false;  // gzip or zlib header
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  char chunk[32768];
  int code = Z_OK;
  while (code == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof(chunk);
    code = inflate(&stream, Z_NO_FLUSH);
    if (code != Z_OK && code != Z_STREAM_END) break;
    out.append(chunk, sizeof(chunk) - stream.avail_out);
    if (out.size() > maxBytes) {
      code = Z_MEM_ERROR;
      break;
    }
    if (code == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) {
      code = Z_DATA_ERROR;  // input ended before the stream did
      break;
    }
  }
  inflateEnd(&stream);
  // Nothing may follow the compressed stream.
  if (code != Z_STREAM_END || stream.avail_in != 0) {
    out.clear();
    return false;
  }
  return true;
}

bool DecodeUploadBody(std::string_view body, std::string& json, std::string& error) {
  std::string_view data;
  bool haveData = false;
  bool gzip = false;
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view pair = body.substr(start, end - start);
    if (pair.rfind("data_list=", 0) == 0) {
      data = pair.substr(10);
      haveData = true;
    } else if (pair == "gzip=1") {
      gzip = true;
    }
    start = end + 1;
  }
  if (!haveData) {
    error = "no data_list in the body";
    return false;
  }
  std::string base64, raw;
  if (!UrlDecode(data, base64)) {
    error = "bad URL encoding";
    return false;
  }
  if (!Base64Decode(base64, raw)) {
    error = "bad Base64";
    return false;
  }
  if (gzip) {
    if (!Gunzip(raw, json)) {
      error = "bad gzip data";
      return false;
    }
  } else {
    json = std::move(raw);
  }
  return true;
}

bool SplitJsonArray(std::string_view json, std::vector<std::string>& elements, std::string& error) {
  elements.clear();
  JsonChecker checker(json);
  if (!checker.Array(elements, error)) {
    elements.clear();
    return false;
  }
  return true;
}

struct Collector::Impl {
  Options options;
  httplib::Server server;
  mutable std::mutex lock;
  int requests = 0;
  std::vector<std::string> records;
  std::vector<size_t> batches;
  std::ofstream out;
};

Collector::Collector(Options options) : impl_(std::make_unique<Impl>()) { impl_->options = std::move(options); }

Collector::~Collector() { Stop(); }

std::string Collector::url() const { return "http://" + impl_->options.bind + ":" + std::to_string(port_) + "/"; }

bool Collector::Start(std::string& error) {
  Impl& impl = *impl_;
  if (!impl.options.outPath.empty()) {
    impl.out.open(impl.options.outPath, std::ios::binary | std::ios::app);
    if (!impl.out) {
      error = "cannot open " + impl.options.outPath;
      return false;
    }
  }
  impl.server.set_payload_max_length(kMaxDecodedBytes);
  impl.server.Post(R"(.*)", [&impl](const httplib::Request& request, httplib::Response& response) {
    int index;
    {
      std::lock_guard<std::mutex> guard(impl.lock);
      index = impl.requests++;
    }
    int status = impl.options.status;
    if (impl.options.statusFor) {
      status = impl.options.statusFor(index);
    } else if (index < impl.options.failFirst) {
      status = 500;
    }
    if (status != 200) {
      // Refused uploads are stored nowhere: the client sends them again.
      response.status = status;
      if (status >= 300 && status < 400) response.set_header("Location", "/elsewhere");
      response.set_content("refused\n", "text/plain");
      return;
    }
    std::string json, problem;
    std::vector<std::string> elements;
    if (!DecodeUploadBody(request.body, json, problem) || !SplitJsonArray(json, elements, problem)) {
      response.status = 400;
      response.set_content("malformed upload: " + problem + "\n", "text/plain");
      return;
    }
    {
      std::lock_guard<std::mutex> guard(impl.lock);
      for (const std::string& record : elements) {
        if (impl.out.is_open()) impl.out << record << '\n';
        impl.records.push_back(record);
      }
      if (impl.out.is_open()) impl.out.flush();
      impl.batches.push_back(elements.size());
    }
    response.status = 200;
    response.set_content("ok\n", "text/plain");
  });
  if (impl.options.port == 0) {
    port_ = impl.server.bind_to_any_port(impl.options.bind);
    if (port_ <= 0) {
      error = "cannot bind " + impl.options.bind;
      return false;
    }
  } else {
    if (!impl.server.bind_to_port(impl.options.bind, impl.options.port)) {
      error = "cannot bind " + impl.options.bind + ":" + std::to_string(impl.options.port);
      return false;
    }
    port_ = impl.options.port;
  }
  thread_ = std::thread([&impl] { impl.server.listen_after_bind(); });
  // A stop request only reaches a server that is already listening.
  while (!impl.server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void Collector::Stop() {
  if (thread_.joinable()) {
    impl_->server.stop();
    thread_.join();
  }
}

int Collector::RequestCount() const {
  std::lock_guard<std::mutex> guard(impl_->lock);
  return impl_->requests;
}

std::vector<std::string> Collector::Records() const {
  std::lock_guard<std::mutex> guard(impl_->lock);
  return impl_->records;
}

std::vector<size_t> Collector::BatchSizes() const {
  std::lock_guard<std::mutex> guard(impl_->lock);
  return impl_->batches;
}

}  // namespace collector
