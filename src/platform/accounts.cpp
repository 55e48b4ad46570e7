#include "platform/accounts.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#include <utmpx.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/utf.h"

namespace platform {

std::wstring ConsoleUserName() {
  // The login records are read through a process-wide cursor.
  static std::mutex lock;
  std::string user;
  {
    std::lock_guard<std::mutex> guard(lock);
    ::setutxent();
    while (utmpx* entry = ::getutxent()) {
      if (entry->ut_type != USER_PROCESS) continue;
      std::string line(entry->ut_line, strnlen(entry->ut_line, sizeof entry->ut_line));
      std::string name(entry->ut_user, strnlen(entry->ut_user, sizeof entry->ut_user));
      if (name.empty()) continue;
      if (line.rfind("tty", 0) == 0 || line.rfind(":", 0) == 0 || line.rfind("seat", 0) == 0) {
        user = name;
        break;
      }
    }
    ::endutxent();
  }
  if (user.empty()) {
    const char* env = std::getenv("USER");
    if (env != nullptr) user = env;
  }
  return Utf8ToWide(user);
}

bool IsAdminAccount(const std::wstring& userName) {
  if (userName.empty()) return false;
  std::string name = WideToUtf8(userName);
  std::vector<char> buf(16384);
  struct passwd pw {};
  struct passwd* found = nullptr;
  if (::getpwnam_r(name.c_str(), &pw, buf.data(), buf.size(), &found) != 0 || found == nullptr) return false;
  if (pw.pw_uid == 0) return true;
  const gid_t primary = pw.pw_gid;
  for (const char* groupName : {"sudo", "wheel", "admin"}) {
    std::vector<char> gbuf(65536);
    struct group gr {};
    struct group* g = nullptr;
    if (::getgrnam_r(groupName, &gr, gbuf.data(), gbuf.size(), &g) != 0 || g == nullptr) continue;
    if (g->gr_gid == primary) return true;
    for (char** member = g->gr_mem; member != nullptr && *member != nullptr; ++member) {
      if (name == *member) return true;
    }
  }
  return false;
}

bool IsProcessElevated() { return ::geteuid() == 0; }

}  // namespace platform
