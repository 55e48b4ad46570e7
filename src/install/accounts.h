// The two account checks passed to the package and to the remover.
#pragma once
#include <functional>
#include <string>

// User name of the console session; empty when unknown.
std::wstring GetConsoleUserName();
// True when the console user's account may administer the computer.
bool IsConsoleUserAdmin();
// True when the installer's own process runs with full rights.
bool IsProcessAdmin();

// Replaces the answers of IsConsoleUserAdmin and IsProcessAdmin (tests);
// empty functions restore the real checks.
void SetAccountChecksForTesting(std::function<bool()> consoleUserAdmin, std::function<bool()> processAdmin);
