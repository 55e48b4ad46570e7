#include "demo_script.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace demo {
namespace {

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void Filler(int fd, unsigned long long bytes) {
  std::string line(63, '.');
  line.push_back('\n');
  while (bytes > 0) {
    size_t n = bytes < line.size() ? static_cast<size_t>(bytes) : line.size();
    if (!WriteAll(fd, line.data() + (line.size() - n), n)) return;
    bytes -= n;
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string DecodeEscapes(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 >= text.size()) {
      out.push_back(c);
      continue;
    }
    char e = text[++i];
    switch (e) {
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case '\\':
        out.push_back('\\');
        break;
      case 'x':
        if (i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
          out.push_back(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
          i += 2;
        } else {
          out += "\\x";
        }
        break;
      default:
        out.push_back('\\');
        out.push_back(e);
    }
  }
  return out;
}

int PlayScript(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read script %s\n", path.c_str());
    return 2;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t space = line.find(' ');
    std::string verb = line.substr(0, space);
    std::string arg = space == std::string::npos ? "" : line.substr(space + 1);
    if (verb == "write") {
      std::string bytes = DecodeEscapes(arg);
      WriteAll(1, bytes.data(), bytes.size());
    } else if (verb == "sleep") {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::strtoull(arg.c_str(), nullptr, 10)));
    } else if (verb == "flood") {
      Filler(1, std::strtoull(arg.c_str(), nullptr, 10));
    } else if (verb == "stderr") {
      Filler(2, std::strtoull(arg.c_str(), nullptr, 10));
    } else if (verb == "exit") {
      return std::atoi(arg.c_str());
    } else {
      std::fprintf(stderr, "unknown script step: %s\n", line.c_str());
      return 2;
    }
  }
  return 0;
}

}  // namespace demo
