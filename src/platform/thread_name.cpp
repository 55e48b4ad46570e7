#include "platform/thread_name.h"

#include <pthread.h>

namespace platform {

std::string FitThreadName(const std::string& name) {
  if (name.size() <= kMaxThreadNameBytes) return name;
  size_t cut = kMaxThreadNameBytes;
  // Step back over continuation bytes so a character is never split.
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return name.substr(0, cut);
}

void SetCurrentThreadName(const std::string& name) {
  std::string fitted = FitThreadName(name);
  ::pthread_setname_np(::pthread_self(), fitted.c_str());
}

std::string CurrentThreadName() {
  char buf[64] = {};
  if (::pthread_getname_np(::pthread_self(), buf, sizeof buf) != 0) return {};
  return buf;
}

}  // namespace platform
