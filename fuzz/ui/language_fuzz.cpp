// The language file ("language.json") on arbitrary bytes, through a skin made here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/framework/paint_manager.h"
#include "ui/framework/skin_archive.h"
#include "ui/language.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string archive = ui::Build7zArchive({{"language.json", std::string(reinterpret_cast<const char*>(data), size)}});
  ui::skin::ResetForTesting();
  ui::skin::OpenFromBuffer(std::vector<uint8_t>(archive.begin(), archive.end()));
  LoadLanguage(static_cast<int>(size % 16), L"");
  ui::language::Clear();
  return 0;
}
