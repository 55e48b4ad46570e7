#include "install/hard_disk_manager.h"

#include "app/log.h"
#include "platform/disk_space.h"

namespace Utils {

bool HardDiskManager::CheckFreeSpace(const std::wstring& folder) {
  platform::DiskSpace space;
  int error = 0;
  if (!platform::QueryDiskSpace(folder, space, &error)) {
    MIRELO_LOG(L"Utils::HardDiskManager::CheckFreeSpace", L"HardDiskManager::CheckFreeSpace FAIL code=%ld",
               static_cast<long>(error));
    return false;
  }
  freeBytesForUser_ = space.freeBytesForUser;
  totalBytes_ = space.totalBytes;
  totalFreeBytes_ = space.totalFreeBytes;
  return true;
}

}  // namespace Utils
