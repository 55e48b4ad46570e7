// The skin: a 7z archive of layouts and images held in memory. The archive is
// opened once (every entry unpacked at that moment) and then serves lookups
// for the rest of the process.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class SkinArchive {
 public:
  struct Entry {
    std::wstring path;     // as stored, "/" separators
    size_t pathLength = 0; // characters including the terminating zero
    uint32_t index = 0;    // position in the archive
    uint64_t size = 0;     // unpacked size
    std::string bytes;
  };

  // Parses and unpacks the archive; null when the bytes are not a readable
  // archive or it holds no file. Entries above the size limits are refused (the whole skin must
  // stay small enough to be held in memory).
  static std::unique_ptr<SkinArchive> Open(const void* data, size_t size);

  // Looks a file up by its path relative to the root: "\" counts as "/" and
  // letter case is ignored. False when there is no such entry.
  bool Find(const std::wstring& path, std::string& bytes) const;
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

// Builds a 7z archive (LZMA2, solid) in memory from (path, bytes) pairs; used
// by tests and tools to make skins.
std::string Build7zArchive(const std::vector<std::pair<std::string, std::string>>& files);

// The process's skin. Opened once; later calls find it open.
namespace skin {
// Opens the skin from a buffer that the skin takes over. Returns true when the
// skin is open afterwards (also when it was open already: the new bytes are then
// ignored).
bool OpenFromBuffer(std::vector<uint8_t> buffer);
// Opens the skin from the executable's resource ("ZIPRES", id) unless it is open.
// False when the resource is missing, empty or unreadable.
bool OpenFromResource(int resourceId);
bool IsOpen();
// Reads a file of the open skin; false when there is no skin or no such file.
bool ReadFile(const std::wstring& path, std::string& bytes);
// How many times an archive has been parsed in this process (tests).
int OpenCount();
// Closes the skin so that a test can open another one.
void ResetForTesting();
}  // namespace skin

}  // namespace ui
