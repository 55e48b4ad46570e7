// Folders that Windows names through the environment or the shell, as the
// Linux build provides them.
#pragma once
#include <string>

namespace platform {

// The user's home folder ($HOME, else the password database); empty when unknown.
std::wstring HomeFolder();
// "APPDATA": the variable when set, else ${XDG_DATA_HOME:-~/.local/share}.
// False when neither can be had.
bool AppDataFolder(std::wstring& folder);
// The 32-bit and the native program-files folders: the variables
// "ProgramFiles(x86)" and "ProgramFiles" when set, else /opt for root, else
// ~/.local/opt. False when none can be had.
bool ProgramFilesX86Folder(std::wstring& folder);
bool ProgramFilesFolder(std::wstring& folder);
// The common documents folder: ${XDG_DATA_HOME:-~/.local/share}.
bool CommonDocumentsFolder(std::wstring& folder);
// ${XDG_CONFIG_HOME:-~/.config}; empty when unknown.
std::wstring ConfigHomeFolder();

}  // namespace platform
