// Account facts: who sits at the console, whether an account may administer
// the computer, whether this process runs with full rights.
#pragma once
#include <string>

namespace platform {

// The user of the active console session (a local session in the login
// records: a virtual terminal or a local display), else $USER; empty when
// neither is known.
std::wstring ConsoleUserName();
// True for root and for members of the groups "sudo", "wheel" or "admin"
// (as a listed member or through the primary group). False for an empty or
// unknown name.
bool IsAdminAccount(const std::wstring& userName);
// True when the process runs with effective user id 0.
bool IsProcessElevated();

}  // namespace platform
