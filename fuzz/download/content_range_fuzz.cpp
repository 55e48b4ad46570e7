// HTTP response input of the multi-connection downloader: the Content-Range
// header value and the acceptance check built on it, plus the digest rule
// applied to an effective URL reported by the server.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "download/download_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto range = download::ParseContentRange(text);
  if (range) {
    if (range->first < 0 || range->last < range->first) __builtin_trap();
    if (range->total >= 0 && range->last >= range->total) __builtin_trap();
    // A range the parser accepted is acceptable exactly for a request starting at its first byte.
    int64_t length = range->total >= 0 ? range->total : range->last + 1;
    if (!download::RangedResponseAcceptable(206, range, range->first, range->last, length)) __builtin_trap();
    if (range->first > 0 && download::RangedResponseAcceptable(206, range, range->first - 1, range->last, length)) {
      __builtin_trap();
    }
  }
  std::string digest = download::ExpectedDigestFromUrl(text);
  if (!digest.empty() && digest.size() != 32) __builtin_trap();
  return 0;
}
