// File-system facilities used across the installer. Paths are wide strings;
// the file system receives them as UTF-8.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The temporary folder ($TMPDIR or /tmp), ending with a separator.
std::wstring TempPath();

bool PathExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
bool IsRegularFile(const std::wstring& path);
// Size of a file in bytes (64-bit), -1 when it cannot be examined.
int64_t FileSize(const std::wstring& path);

// Creates one folder level; false when it exists already or cannot be made.
bool CreateDirectoryOne(const std::wstring& path);
bool DeleteFileAt(const std::wstring& path);

// A folder only this user can use: created with mode 0700 when missing; an
// existing one must be a real folder (not a symbolic link), owned by the
// effective user and not writable by group or others.
bool EnsurePrivateDirectory(const std::wstring& path);

bool ReadWholeFile(const std::wstring& path, std::string& content);
// Writes the content to a temporary file beside the target and renames it
// over the target, so readers see the old or the new content, never a mix.
// The target's folder must exist. An existing target keeps its permissions.
bool ReplaceFileAtomically(const std::wstring& path, std::string_view content);

}  // namespace platform
