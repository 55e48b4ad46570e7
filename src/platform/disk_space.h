// Free space of the volume that holds a path.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

struct DiskSpace {
  uint64_t freeBytesForUser = 0;
  uint64_t totalBytes = 0;
  uint64_t totalFreeBytes = 0;
};

// Queries the volume of the nearest existing ancestor of the path (the path
// itself when it exists; an empty or relative path starts from the current
// folder). False with *error = errno when the path cannot be examined (for
// instance a path that runs through a regular file) or the query fails.
bool QueryDiskSpace(const std::wstring& path, DiskSpace& space, int* error);

}  // namespace platform
