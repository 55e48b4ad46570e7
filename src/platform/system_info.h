// Operating-system facts and random identifiers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

struct KernelVersion {
  bool known = false;
  int major = 0, minor = 0, patch = 0;
};
// The kernel release (uname -r) read as major.minor.patch; a missing part is 0.
KernelVersion GetKernelVersion();
// Parses a release text such as "6.1.0-18-amd64" (exposed for tests).
KernelVersion ParseKernelRelease(const std::string& release);
// True when the machine name denotes a 64-bit architecture.
bool Is64BitMachine();

// Fills the buffer with cryptographically random bytes; false when the system refuses.
bool RandomBytes(void* buffer, size_t size);

struct GuidBytes {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};
// A random (version 4, RFC 4122 variant) GUID.
GuidBytes NewGuid();

}  // namespace platform
