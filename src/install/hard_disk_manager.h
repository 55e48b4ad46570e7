// The free-space query of a path's volume.
#pragma once
#include <cstdint>
#include <string>

namespace Utils {

class HardDiskManager {
 public:
  virtual ~HardDiskManager() = default;
  // Stores the three counts of the volume that holds the folder (or its
  // nearest existing ancestor). On failure writes a diagnostic line with the
  // system error code, keeps the counts and returns false.
  bool CheckFreeSpace(const std::wstring& folder);

  uint64_t FreeBytesForUser() const { return freeBytesForUser_; }
  uint64_t TotalBytes() const { return totalBytes_; }
  uint64_t TotalFreeBytes() const { return totalFreeBytes_; }

 private:
  uint64_t freeBytesForUser_ = 0;
  uint64_t totalBytes_ = 0;
  uint64_t totalFreeBytes_ = 0;
};

}  // namespace Utils
