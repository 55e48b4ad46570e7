#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/utf.h"

namespace platform {
namespace {

bool IsUtf8Name(const std::string& cs) {
  std::string n;
  for (char c : cs) {
    if (c != '-' && c != '_') n.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
  }
  return n == "UTF8";
}

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) ::iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

std::string SystemCharset() {
  for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* v = std::getenv(var);
    if (v == nullptr || *v == '\0') continue;
    std::string locale = v;
    size_t dot = locale.find('.');
    if (dot == std::string::npos) return "UTF-8";
    std::string cs = locale.substr(dot + 1);
    size_t at = cs.find('@');
    if (at != std::string::npos) cs.resize(at);
    if (cs.empty()) return "UTF-8";
    return cs;
  }
  return "UTF-8";
}

std::string CharsetForCodePage(int codePage) {
  switch (codePage) {
    case 0: return SystemCharset();
    case 65001: return "UTF-8";
    case 936: return "GBK";
    case 54936: return "GB18030";
    case 20936: return "GB2312";
    case 1200: return "UTF-16LE";
    case 1201: return "UTF-16BE";
    default: return "CP" + std::to_string(codePage);
  }
}

bool DecodeCharset(std::string_view bytes, const std::string& charset, std::wstring& out) {
  out.clear();
  if (IsUtf8Name(charset)) {
    out = Utf8ToWide(bytes);
    return true;
  }
  Iconv cd("UTF-32LE", charset.c_str());
  if (!cd.ok()) return false;
  std::string in(bytes);
  char* inp = in.data();
  size_t inleft = in.size();
  std::string buf(in.size() * 4 + 16, '\0');
  while (inleft > 0) {
    char* outp = buf.data();
    size_t outleft = buf.size();
    size_t r = ::iconv(cd.get(), &inp, &inleft, &outp, &outleft);
    size_t produced = buf.size() - outleft;
    for (size_t i = 0; i + 4 <= produced; i += 4) {
      uint32_t cp = static_cast<unsigned char>(buf[i]) | (static_cast<unsigned char>(buf[i + 1]) << 8) |
                    (static_cast<unsigned char>(buf[i + 2]) << 16) |
                    (static_cast<uint32_t>(static_cast<unsigned char>(buf[i + 3])) << 24);
      out.push_back(static_cast<wchar_t>(cp));
    }
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // Invalid or incomplete sequence: substitute and skip one byte.
      out.push_back(L'\uFFFD');
      ++inp;
      --inleft;
      ::iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return true;
}

bool EncodeCharset(std::wstring_view text, const std::string& charset, std::string& out) {
  out.clear();
  if (IsUtf8Name(charset)) {
    out = WideToUtf8(text);
    return true;
  }
  Iconv cd(charset.c_str(), "UTF-32LE");
  if (!cd.ok()) return false;
  for (wchar_t wc : text) {
    uint32_t cp = static_cast<uint32_t>(wc);
    char in[4] = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF),
                  static_cast<char>((cp >> 16) & 0xFF), static_cast<char>((cp >> 24) & 0xFF)};
    char* inp = in;
    size_t inleft = 4;
    char buf[16];
    char* outp = buf;
    size_t outleft = sizeof buf;
    if (::iconv(cd.get(), &inp, &inleft, &outp, &outleft) == static_cast<size_t>(-1)) {
      ::iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
      out.push_back('?');
      continue;
    }
    out.append(buf, sizeof buf - outleft);
  }
  return true;
}

}  // namespace platform
