#include "analytics/sdk/http_sender.h"

#include <curl/curl.h>
#include <zlib.h>

#include <mutex>
#include <stdexcept>

#include "analytics/sdk/messages.h"
#include "platform/debug_output.h"

namespace analytics_sdk {

namespace {

constexpr size_t kChunk = 32768;
// The answer body is read only for the failure message; keep it small.
constexpr size_t kMaxResponseBody = 64 * 1024;

struct FlagState {
  std::mutex lock;
  bool value = false;
};
FlagState& Flag() {
  static FlagState* state = new FlagState;
  return *state;
}

std::string Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t' || text[begin] == '\r' || text[begin] == '\n'))
    ++begin;
  while (end > begin &&
         (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r' || text[end - 1] == '\n'))
    --end;
  return std::string(text.substr(begin, end - begin));
}

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* response = static_cast<HttpResponse*>(user);
  const size_t bytes = size * count;
  const size_t room = kMaxResponseBody - std::min(kMaxResponseBody, response->body.size());
  response->body.append(data, std::min(bytes, room));
  return bytes;
}

size_t WriteHeader(char* data, size_t size, size_t count, void* user) {
  auto* response = static_cast<HttpResponse*>(user);
  const size_t bytes = size * count;
  std::string_view line(data, bytes);
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) {
    std::string name = Trim(line);
    if (!name.empty() && name.rfind("HTTP/", 0) != 0) response->headers[name] = "present";
  } else {
    response->headers[Trim(line.substr(0, colon))] = Trim(line.substr(colon + 1));
  }
  return bytes;
}

}  // namespace

bool LastSendSucceeded() {
  FlagState& flag = Flag();
  std::lock_guard<std::mutex> guard(flag.lock);
  return flag.value;
}

void SetLastSendSucceeded(bool value) {
  FlagState& flag = Flag();
  std::lock_guard<std::mutex> guard(flag.lock);
  flag.value = value;
}

bool GzipCompress(std::string_view input, std::string& output) {
  output.clear();
  z_stream stream{};
  if (deflateInit2(&stream, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    WriteError("deflateInit2 failed while compressing.\n");
    return false;
  }
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  stream.avail_in = static_cast<uInt>(input.size());
  char chunk[kChunk];
  int code = Z_OK;
  do {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof(chunk);
    code = deflate(&stream, Z_FINISH);
    const size_t produced = sizeof(chunk) - stream.avail_out;
    output.append(chunk, produced);
  } while (code == Z_OK);
  if (code != Z_STREAM_END) {
    WriteError("Exception during zlib compression: (" + std::to_string(code) + ") " + (stream.msg ? stream.msg : "") +
               "\n");
    deflateEnd(&stream);
    output.clear();
    return false;
  }
  deflateEnd(&stream);
  return true;
}

std::string Base64Encode(std::string_view input) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((input.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= input.size(); i += 3) {
    const uint32_t v = (static_cast<uint8_t>(input[i]) << 16) | (static_cast<uint8_t>(input[i + 1]) << 8) |
                       static_cast<uint8_t>(input[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  const size_t rest = input.size() - i;
  if (rest == 1) {
    const uint32_t v = static_cast<uint8_t>(input[i]) << 16;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += "==";
  } else if (rest == 2) {
    const uint32_t v = (static_cast<uint8_t>(input[i]) << 16) | (static_cast<uint8_t>(input[i + 1]) << 8);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

std::string UrlEncode(std::string_view input) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(input.size() * 3 / 2);
  for (char c : input) {
    const auto byte = static_cast<uint8_t>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || byte == '-' ||
        byte == '.' || byte == '_' || byte == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

bool EncodeUploadBody(std::string_view payload, std::string& body) {
  std::string compressed;
  if (!GzipCompress(payload, compressed)) return false;
  body = "data_list=" + UrlEncode(Base64Encode(compressed)) + "&gzip=1";
  return true;
}

HttpResponse HttpSender::post(const std::string& body, const std::map<std::string, std::string>& extraHeaders) {
  HttpResponse response;
  CURL* curl = nullptr;
  curl_slist* headers = nullptr;
  try {
    curl = curl_easy_init();
    if (!curl) throw std::runtime_error("Couldn't initialize curl handle");
    for (const auto& [name, value] : extraHeaders) headers = curl_slist_append(headers, (name + ": " + value).c_str());
    char errorText[CURL_ERROR_SIZE] = {0};
    curl_easy_setopt(curl, CURLOPT_URL, serverUrl_.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kSdkUserAgent);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, kUploadTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, WriteHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response);
    if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK) {
      response.status = -1;
      response.body = errorText[0] ? errorText : curl_easy_strerror(code);
    } else {
      long status = 0;
      curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
      response.status = status;
    }
  } catch (const std::exception& error) {
    WriteError(std::string(error.what()) + "\n");
    response.status = -1;
  }
  if (headers) curl_slist_free_all(headers);
  if (curl) curl_easy_cleanup(curl);
  return response;
}

bool HttpSender::send(std::string_view payload, const std::map<std::string, std::string>& extraHeaders) {
  std::string body;
  if (!EncodeUploadBody(payload, body)) return false;
  const HttpResponse response = post(body, extraHeaders);
  const bool ok = response.status == 200;
  if (!ok) {
    platform::WriteDebugOutput(L"[analytics] Analytics SDK send failed");
    WriteError("Analytics SDK send failed: " + response.body + "\n");
  }
  SetLastSendSucceeded(ok);
  return ok;
}

}  // namespace analytics_sdk
