#include "platform/ini.h"

#include <mutex>

#include "platform/files.h"
#include "platform/number_text.h"
#include "platform/utf.h"

namespace platform {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

wchar_t Fold(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

bool SameName(std::string_view utf8, std::wstring_view wide) {
  std::wstring w = Utf8ToWide(utf8);
  if (w.size() != wide.size()) return false;
  for (size_t i = 0; i < w.size(); ++i) {
    if (Fold(w[i]) != Fold(wide[i])) return false;
  }
  return true;
}

// Section name of a header line, or false when the line is no header.
bool SectionOf(std::string_view line, std::string_view& name) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return false;
  t.remove_prefix(1);
  size_t close = t.find(']');
  name = Trim(close == std::string_view::npos ? t : t.substr(0, close));
  return true;
}

// Key and raw value of an entry line; false for blank and comment lines.
bool EntryOf(std::string_view line, std::string_view& key, std::string_view& value) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';') return false;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) {
    key = t;
    value = {};
  } else {
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
  }
  return true;
}

std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  return std::string(v);
}

std::mutex& WriteLock() {
  static std::mutex m;
  return m;
}

bool LoadDocument(const std::wstring& path, IniDocument& doc, bool& exists) {
  std::string content;
  exists = ReadWholeFile(path, content);
  doc = IniDocument::Parse(exists ? content : std::string());
  return true;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.find("\r\n") != std::string_view::npos) doc.eol_ = "\r\n";
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    doc.lines_.emplace_back(line);
    start = end + 1;
  }
  return doc;
}

bool IniDocument::Find(std::wstring_view section, std::wstring_view key, std::wstring& value) const {
  bool inSection = false;
  for (const std::string& line : lines_) {
    std::string_view name;
    if (SectionOf(line, name)) {
      if (inSection) return false;  // only the first matching section counts
      inSection = SameName(name, section);
      continue;
    }
    if (!inSection) continue;
    std::string_view k, v;
    if (EntryOf(line, k, v) && SameName(k, key)) {
      value = Utf8ToWide(Unquote(v));
      return true;
    }
  }
  return false;
}

void IniDocument::Set(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
  std::wstring clean(value);
  for (wchar_t& c : clean) {
    if (c == L'\n' || c == L'\r') c = L' ';
  }
  std::string keyText = WideToUtf8(key);
  std::string entry = keyText + "=" + WideToUtf8(clean);

  size_t sectionLine = lines_.size();
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view name;
    if (SectionOf(lines_[i], name) && SameName(name, section)) {
      sectionLine = i;
      break;
    }
  }
  if (sectionLine == lines_.size()) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + WideToUtf8(section) + "]");
    lines_.push_back(entry);
    return;
  }
  size_t lastContent = sectionLine;
  for (size_t i = sectionLine + 1; i < lines_.size(); ++i) {
    std::string_view name;
    if (SectionOf(lines_[i], name)) break;
    std::string_view k, v;
    if (EntryOf(lines_[i], k, v)) {
      if (SameName(k, key)) {
        lines_[i] = std::string(k) + "=" + WideToUtf8(clean);
        return;
      }
      lastContent = i;
    }
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent + 1), entry);
}

void IniDocument::RemoveKey(std::wstring_view section, std::wstring_view key) {
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view name;
    if (SectionOf(lines_[i], name)) {
      if (inSection) return;
      inSection = SameName(name, section);
      continue;
    }
    std::string_view k, v;
    if (inSection && EntryOf(lines_[i], k, v) && SameName(k, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

void IniDocument::RemoveSection(std::wstring_view section) {
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view name;
    if (SectionOf(lines_[i], name) && SameName(name, section)) {
      size_t end = i + 1;
      while (end < lines_.size() && !SectionOf(lines_[end], name)) ++end;
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i), lines_.begin() + static_cast<std::ptrdiff_t>(end));
      return;
    }
  }
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i];
    out += eol_;
  }
  return out;
}

std::wstring ReadProfileString(std::wstring_view section, std::wstring_view key, std::wstring_view defaultValue,
                               const std::wstring& path, size_t bufferChars) {
  std::wstring value(defaultValue);
  std::string content;
  if (ReadWholeFile(path, content)) {
    IniDocument doc = IniDocument::Parse(content);
    std::wstring found;
    if (doc.Find(section, key, found)) value = std::move(found);
  }
  size_t limit = bufferChars == 0 ? 0 : bufferChars - 1;
  if (value.size() > limit) value.resize(limit);
  return value;
}

int ReadProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue, const std::wstring& path) {
  std::wstring value = ReadProfileString(section, key, L"", path);
  if (value.empty()) return defaultValue;
  return ParseIntPrefix(value);
}

bool WriteProfileString(std::wstring_view section, std::wstring_view key, std::wstring_view value,
                        const std::wstring& path) {
  std::lock_guard<std::mutex> guard(WriteLock());
  IniDocument doc;
  bool exists = false;
  LoadDocument(path, doc, exists);
  doc.Set(section, key, value);
  return ReplaceFileAtomically(path, doc.Serialize());
}

bool DeleteProfileKey(std::wstring_view section, std::wstring_view key, const std::wstring& path) {
  std::lock_guard<std::mutex> guard(WriteLock());
  IniDocument doc;
  bool exists = false;
  LoadDocument(path, doc, exists);
  if (!exists) return true;
  doc.RemoveKey(section, key);
  return ReplaceFileAtomically(path, doc.Serialize());
}

bool DeleteProfileSection(std::wstring_view section, const std::wstring& path) {
  std::lock_guard<std::mutex> guard(WriteLock());
  IniDocument doc;
  bool exists = false;
  LoadDocument(path, doc, exists);
  if (!exists) return true;
  doc.RemoveSection(section);
  return ReplaceFileAtomically(path, doc.Serialize());
}

}  // namespace platform
