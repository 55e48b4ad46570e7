#include "analytics/sdk/utf8_check.h"

#include <cstdint>

namespace analytics_sdk {

namespace {
bool IsContinuation(uint8_t byte) { return byte >= 0x80 && byte <= 0xBF; }
}  // namespace

bool IsValidUtf8(std::string_view text) {
  const size_t size = text.size();
  size_t i = 0;
  while (i < size) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    if (lead == 0x09 || lead == 0x0A || lead == 0x0D || (lead >= 0x20 && lead <= 0x7E)) {
      ++i;
      continue;
    }
    // Bounds of the second byte and number of further continuation bytes.
    uint8_t low = 0x80, high = 0xBF;
    size_t tail = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      tail = 0;
    } else if (lead == 0xE0) {
      low = 0xA0;
      tail = 1;
    } else if ((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF) {
      tail = 1;
    } else if (lead == 0xED) {
      high = 0x9F;
      tail = 1;
    } else if (lead == 0xF0) {
      low = 0x90;
      tail = 2;
    } else if (lead >= 0xF1 && lead <= 0xF3) {
      tail = 2;
    } else if (lead == 0xF4) {
      high = 0x8F;
      tail = 2;
    } else {
      return false;
    }
    if (size - i < 2 + tail) return false;
    const uint8_t second = static_cast<uint8_t>(text[i + 1]);
    if (second < low || second > high) return false;
    for (size_t k = 0; k < tail; ++k) {
      if (!IsContinuation(static_cast<uint8_t>(text[i + 2 + k]))) return false;
    }
    i += 2 + tail;
  }
  return true;
}

}  // namespace analytics_sdk
