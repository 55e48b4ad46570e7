#include "install/accounts.h"

#include <mutex>

#include "platform/accounts.h"

namespace {
std::mutex g_lock;
std::function<bool()> g_consoleUserAdmin;  // guarded by g_lock
std::function<bool()> g_processAdmin;      // guarded by g_lock
}  // namespace

std::wstring GetConsoleUserName() { return platform::ConsoleUserName(); }

bool IsConsoleUserAdmin() {
  std::function<bool()> hook;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    hook = g_consoleUserAdmin;
  }
  if (hook) return hook();
  return platform::IsAdminAccount(GetConsoleUserName());
}

bool IsProcessAdmin() {
  std::function<bool()> hook;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    hook = g_processAdmin;
  }
  if (hook) return hook();
  return platform::IsProcessElevated();
}

void SetAccountChecksForTesting(std::function<bool()> consoleUserAdmin, std::function<bool()> processAdmin) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_consoleUserAdmin = std::move(consoleUserAdmin);
  g_processAdmin = std::move(processAdmin);
}
