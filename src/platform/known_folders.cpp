#include "platform/known_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/utf.h"

namespace platform {
namespace {

bool Env(const char* name, std::wstring& value) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return false;
  value = Utf8ToWide(v);
  return true;
}

bool DataHome(std::wstring& folder) {
  if (Env("XDG_DATA_HOME", folder)) return true;
  std::wstring home = HomeFolder();
  if (home.empty()) return false;
  folder = home + L"/.local/share";
  return true;
}

bool ProgramFilesFallback(std::wstring& folder) {
  if (::geteuid() == 0) {
    folder = L"/opt";
    return true;
  }
  std::wstring home = HomeFolder();
  if (home.empty()) return false;
  folder = home + L"/.local/opt";
  return true;
}

}  // namespace

std::wstring HomeFolder() {
  std::wstring home;
  if (Env("HOME", home)) return home;
  struct passwd pw {};
  struct passwd* result = nullptr;
  char buf[4096];
  if (::getpwuid_r(::getuid(), &pw, buf, sizeof buf, &result) == 0 && result != nullptr && pw.pw_dir != nullptr)
    return Utf8ToWide(pw.pw_dir);
  return {};
}

bool AppDataFolder(std::wstring& folder) { return Env("APPDATA", folder) || DataHome(folder); }

bool ProgramFilesX86Folder(std::wstring& folder) {
  return Env("ProgramFiles(x86)", folder) || ProgramFilesFallback(folder);
}

bool ProgramFilesFolder(std::wstring& folder) { return Env("ProgramFiles", folder) || ProgramFilesFallback(folder); }

bool CommonDocumentsFolder(std::wstring& folder) { return DataHome(folder); }

std::wstring ConfigHomeFolder() {
  std::wstring folder;
  if (Env("XDG_CONFIG_HOME", folder)) return folder;
  std::wstring home = HomeFolder();
  return home.empty() ? std::wstring() : home + L"/.config";
}

}  // namespace platform
