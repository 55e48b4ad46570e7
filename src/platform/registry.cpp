#include "platform/registry.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/utf.h"

namespace platform {
namespace {

constexpr std::string_view kHeader = "MIRELO-REGISTRY 1";

std::string Escape(std::wstring_view text) {
  std::string out;
  for (char c : WideToUtf8(text)) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\0':
        out += "\\0";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

// Reads a quoted, escaped string starting at pos (which must hold the quote);
// on success pos is just past the closing quote.
bool ReadQuoted(std::string_view line, size_t& pos, std::string& out) {
  if (pos >= line.size() || line[pos] != '"') return false;
  ++pos;
  out.clear();
  while (pos < line.size()) {
    char c = line[pos++];
    if (c == '"') return true;
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (pos >= line.size()) return false;
    char e = line[pos++];
    switch (e) {
      case '\\':
        out.push_back('\\');
        break;
      case '"':
        out.push_back('"');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case '0':
        out.push_back('\0');
        break;
      default:
        return false;
    }
  }
  return false;
}

bool CreateFolders(const std::string& folder) {
  for (size_t i = 1; i <= folder.size(); ++i) {
    if (i == folder.size() || folder[i] == '/') {
      std::string part = folder.substr(0, i);
      if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

bool Store(std::wstring_view keyPath, std::wstring_view name, std::wstring_view data) {
  std::wstring file = RegistryKeyFile(keyPath);
  if (file.empty()) return false;
  std::string path = FsPath(file);
  if (!CreateFolders(path.substr(0, path.find_last_of('/')))) return false;
  std::string content;
  RegistryValues values;
  if (ReadWholeFile(file, content)) values = ParseRegistryFile(content);
  values[std::wstring(name)] = std::wstring(data);
  return ReplaceFileAtomically(file, SerializeRegistryFile(values));
}

}  // namespace

RegistryValues ParseRegistryFile(std::string_view content) {
  RegistryValues values;
  size_t start = 0;
  bool first = true;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string_view::npos) end = content.size();
    std::string_view line = content.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      first = false;
      if (line == kHeader) continue;
    }
    size_t pos = 0;
    std::string name, data;
    if (!ReadQuoted(line, pos, name)) continue;
    if (pos >= line.size() || line[pos] != '=') continue;
    ++pos;
    if (!ReadQuoted(line, pos, data) || pos != line.size()) continue;
    values[Utf8ToWide(name)] = Utf8ToWide(data);
  }
  return values;
}

std::string SerializeRegistryFile(const RegistryValues& values) {
  std::string out(kHeader);
  out.push_back('\n');
  for (const auto& [name, data] : values) {
    out += '"' + Escape(name) + "\"=\"" + Escape(data) + "\"\n";
  }
  return out;
}

std::wstring RegistryKeyFile(std::wstring_view keyPath) {
  std::wstring root = ConfigHomeFolder();
  if (root.empty()) return {};
  std::wstring relative;
  for (wchar_t c : keyPath) relative.push_back(c == L'\\' ? L'/' : c);
  // Empty levels, "." and ".." never lead outside the store.
  std::wstring clean;
  size_t i = 0;
  while (i <= relative.size()) {
    size_t end = relative.find(L'/', i);
    if (end == std::wstring::npos) end = relative.size();
    std::wstring level = relative.substr(i, end - i);
    if (!level.empty() && level != L"." && level != L"..") clean += L"/" + level;
    i = end + 1;
  }
  if (clean.empty()) return {};
  return root + L"/registry/HKEY_CURRENT_USER" + clean + L".reg";
}

bool ReadRegistryString(std::wstring_view keyPath, std::wstring_view name, std::wstring& value) {
  std::wstring file = RegistryKeyFile(keyPath);
  std::string content;
  if (file.empty() || !ReadWholeFile(file, content)) return false;
  RegistryValues values = ParseRegistryFile(content);
  auto it = values.find(std::wstring(name));
  if (it == values.end()) return false;
  value = it->second.substr(0, it->second.find(L'\0'));
  return true;
}

bool WriteRegistryString(std::wstring_view keyPath, std::wstring_view name, std::wstring_view value) {
  return Store(keyPath, name, value.substr(0, value.find(L'\0')));
}

bool WriteRegistryRaw(std::wstring_view keyPath, std::wstring_view name, std::wstring_view data) {
  return Store(keyPath, name, data);
}

}  // namespace platform
