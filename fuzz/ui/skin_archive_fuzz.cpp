// The skin archive reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/framework/skin_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto archive = ui::SkinArchive::Open(data, size);
  if (archive) {
    std::string bytes;
    archive->Find(L"MainWnd.xml", bytes);
  }
  return 0;
}
