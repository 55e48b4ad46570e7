#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/number_text.h"
#include "platform/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text = platform::Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data), size));
  bool found = false;
  int32_t i = platform::ParseIntPrefix(text, &found);
  if (!found && i != 0) __builtin_trap();
  double d = platform::ParseDoublePrefix(text, &found);
  if (!found && d != 0.0) __builtin_trap();
  return 0;
}
