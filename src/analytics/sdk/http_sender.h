// The upload of one batch: gzip, Base64 and URL-encoding of the payload, and
// the HTTP POST "data_list=<encoded>&gzip=1" to the collection service.
#pragma once
#include <map>
#include <string>
#include <string_view>

namespace analytics_sdk {

// zlib deflate, level 9, gzip wrapper (window bits 31). False on failure, with
// the message written to standard error.
bool GzipCompress(std::string_view input, std::string& output);
std::string Base64Encode(std::string_view input);
// A-Z, a-z, 0-9, "-", ".", "_", "~" stay; every other byte becomes %XX (upper case).
std::string UrlEncode(std::string_view input);
// "data_list=" + UrlEncode(Base64(gzip(payload))) + "&gzip=1"; false when compression fails.
bool EncodeUploadBody(std::string_view payload, std::string& body);

struct HttpResponse {
  long status = -1;  // -1: no answer (transport error)
  std::string body;
  std::map<std::string, std::string> headers;
};

class HttpSender {
 public:
  explicit HttpSender(std::string serverUrl) : serverUrl_(std::move(serverUrl)) {}
  const std::string& serverUrl() const { return serverUrl_; }

  // Encodes and posts the payload; true only for status 200. Sets the
  // process-wide last-send-succeeded flag whenever the post was attempted.
  bool send(std::string_view payload, const std::map<std::string, std::string>& extraHeaders = {});

 private:
  HttpResponse post(const std::string& body, const std::map<std::string, std::string>& extraHeaders);
  std::string serverUrl_;
};

// Whether the latest post was accepted (false until one is).
bool LastSendSucceeded();
void SetLastSendSucceeded(bool value);

constexpr char kSdkUserAgent[] = "Analytics CPP SDK 0.9";
constexpr long kUploadTimeoutMs = 3000;

}  // namespace analytics_sdk
