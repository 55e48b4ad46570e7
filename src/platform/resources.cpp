#include "platform/resources.h"

#include <map>
#include <mutex>
#include <utility>

namespace platform {
namespace {

std::wstring UpperType(std::wstring_view type) {
  std::wstring out(type);
  for (auto& c : out) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return out;
}

// Function-local so that registrations from other translation units can run in
// any order during static initialisation.
struct Registry {
  std::mutex lock;
  std::map<std::pair<std::wstring, int>, ResourceBytes> entries;
};

Registry& GetRegistry() {
  static Registry* registry = new Registry();  // never destroyed: used by static destructors
  return *registry;
}

}  // namespace

void RegisterResource(std::wstring_view type, int id, const void* data, size_t size) {
  auto& reg = GetRegistry();
  std::lock_guard<std::mutex> guard(reg.lock);
  reg.entries[{UpperType(type), id}] = ResourceBytes{static_cast<const uint8_t*>(data), size};
}

void UnregisterResource(std::wstring_view type, int id) {
  auto& reg = GetRegistry();
  std::lock_guard<std::mutex> guard(reg.lock);
  reg.entries.erase({UpperType(type), id});
}

bool FindResourceBytes(std::wstring_view type, int id, ResourceBytes& out) {
  auto& reg = GetRegistry();
  std::lock_guard<std::mutex> guard(reg.lock);
  auto it = reg.entries.find({UpperType(type), id});
  if (it == reg.entries.end()) return false;
  out = it->second;
  return true;
}

}  // namespace platform
