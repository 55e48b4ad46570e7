// Private-profile ("INI") files with the semantics the installer relies on:
// case-insensitive section and key names, defaults for missing keys, values cut
// to the caller's buffer (259 characters by default), the integer reader's
// leading-digits rule, and writes that keep every unrelated line as it was.
// Files are UTF-8 (a byte-order mark is skipped); lines may end with LF or CRLF.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace platform {

constexpr size_t kProfileBufferChars = 260;  // a value holds at most 259 characters

// An INI text held as its lines, edited in place.
class IniDocument {
 public:
  static IniDocument Parse(std::string_view utf8);

  // Value of the first matching key in the first matching section; surrounding
  // blanks and one pair of matching quotes are removed. False when absent.
  bool Find(std::wstring_view section, std::wstring_view key, std::wstring& value) const;
  void Set(std::wstring_view section, std::wstring_view key, std::wstring_view value);
  void RemoveKey(std::wstring_view section, std::wstring_view key);
  void RemoveSection(std::wstring_view section);
  std::string Serialize() const;

 private:
  std::vector<std::string> lines_;
  std::string eol_ = "\n";
};

// GetPrivateProfileString: the value, or the default when the file, section or
// key is missing; cut to bufferChars - 1 characters.
std::wstring ReadProfileString(std::wstring_view section, std::wstring_view key, std::wstring_view defaultValue,
                               const std::wstring& path, size_t bufferChars = kProfileBufferChars);
// GetPrivateProfileInt: the leading decimal number of the value (blanks, sign,
// digits; saturated), 0 for a value without digits, the default when the key is
// missing or its value is empty.
int ReadProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue, const std::wstring& path);

// WritePrivateProfileString: sets the key, creating the file (never its folder)
// and the section when missing. Line breaks in the value become blanks so a
// value can never add lines. The file is replaced atomically.
bool WriteProfileString(std::wstring_view section, std::wstring_view key, std::wstring_view value,
                        const std::wstring& path);
bool DeleteProfileKey(std::wstring_view section, std::wstring_view key, const std::wstring& path);
bool DeleteProfileSection(std::wstring_view section, const std::wstring& path);

}  // namespace platform
