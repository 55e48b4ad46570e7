// Resources carried inside the executable (the skin archive, the window icon).
// Each resource is a block of bytes identified by a type name and a number; the
// build links them in through generated source files that register them during
// static initialisation.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

struct ResourceBytes {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// Registers (or replaces) the bytes for (type, id). The bytes must outlive the
// process's use of them; generated sources pass static arrays.
void RegisterResource(std::wstring_view type, int id, const void* data, size_t size);
// Removes a registration (tests).
void UnregisterResource(std::wstring_view type, int id);
// Finds a resource; false when nothing is registered for (type, id). The type
// name is compared ignoring ASCII letter case, as resource type names are.
bool FindResourceBytes(std::wstring_view type, int id, ResourceBytes& out);

// Helper for generated sources: registers at construction.
struct ResourceRegistration {
  ResourceRegistration(const wchar_t* type, int id, const void* data, size_t size) {
    RegisterResource(type, id, data, size);
  }
};

}  // namespace platform
