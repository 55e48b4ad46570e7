#include "platform/system_info.h"

#include <sys/random.h>
#include <sys/utsname.h>

#include <cerrno>
#include <cstring>

namespace platform {

KernelVersion ParseKernelRelease(const std::string& release) {
  KernelVersion v;
  int parts[3] = {0, 0, 0};
  size_t i = 0;
  int index = 0;
  bool any = false;
  while (index < 3 && i < release.size()) {
    if (release[i] < '0' || release[i] > '9') break;
    long value = 0;
    while (i < release.size() && release[i] >= '0' && release[i] <= '9') {
      if (value < 100000000) value = value * 10 + (release[i] - '0');
      ++i;
    }
    parts[index++] = static_cast<int>(value);
    any = true;
    if (i < release.size() && release[i] == '.') {
      ++i;
    } else {
      break;
    }
  }
  v.known = any;
  v.major = parts[0];
  v.minor = parts[1];
  v.patch = parts[2];
  return v;
}

KernelVersion GetKernelVersion() {
  struct utsname u {};
  if (::uname(&u) != 0) return {};
  return ParseKernelRelease(u.release);
}

bool Is64BitMachine() {
  struct utsname u {};
  if (::uname(&u) != 0) return sizeof(void*) == 8;
  std::string m = u.machine;
  return m.find("64") != std::string::npos || m == "s390x";
}

bool RandomBytes(void* buffer, size_t size) {
  auto* p = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    ssize_t n = ::getrandom(p, size, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

GuidBytes NewGuid() {
  unsigned char raw[16] = {};
  RandomBytes(raw, sizeof raw);
  raw[6] = static_cast<unsigned char>((raw[6] & 0x0F) | 0x40);  // version 4
  raw[8] = static_cast<unsigned char>((raw[8] & 0x3F) | 0x80);  // RFC 4122 variant
  GuidBytes g{};
  g.data1 = (uint32_t{raw[0]} << 24) | (uint32_t{raw[1]} << 16) | (uint32_t{raw[2]} << 8) | raw[3];
  g.data2 = static_cast<uint16_t>((raw[4] << 8) | raw[5]);
  g.data3 = static_cast<uint16_t>((raw[6] << 8) | raw[7]);
  std::memcpy(g.data4, raw + 8, 8);
  return g;
}

}  // namespace platform
