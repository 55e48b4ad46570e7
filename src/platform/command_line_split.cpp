#include "platform/command_line_split.h"

namespace platform {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Reads the arguments from position i to the end into out.
void SplitFrom(std::wstring_view text, size_t i, std::vector<std::wstring>& out) {
  const size_t n = text.size();
  for (;;) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i >= n) return;
    std::wstring arg;
    bool quoted = false;
    while (i < n) {
      wchar_t c = text[i];
      if (c == L'\\') {
        size_t count = 0;
        while (i < n && text[i] == L'\\') {
          ++count;
          ++i;
        }
        if (i < n && text[i] == L'"') {
          arg.append(count / 2, L'\\');
          if (count % 2 == 1) {
            arg.push_back(L'"');
            ++i;
          }
          // An even count leaves the quote to the quote rule below.
        } else {
          arg.append(count, L'\\');
        }
        continue;
      }
      if (c == L'"') {
        if (quoted && i + 1 < n && text[i + 1] == L'"') {
          arg.push_back(L'"');
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      if (!quoted && IsBlank(c)) break;
      arg.push_back(c);
      ++i;
    }
    out.push_back(std::move(arg));
  }
}

bool HasExtension(std::wstring_view path) {
  size_t slash = path.find_last_of(L"/\\");
  size_t dot = path.find_last_of(L'.');
  return dot != std::wstring_view::npos && (slash == std::wstring_view::npos || dot > slash) && dot + 1 < path.size();
}

}  // namespace

std::vector<std::wstring> SplitArguments(std::wstring_view text) {
  std::vector<std::wstring> out;
  SplitFrom(text, 0, out);
  return out;
}

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  std::vector<std::wstring> out;
  size_t i = 0;
  const size_t n = line.size();
  while (i < n && IsBlank(line[i])) ++i;
  if (i >= n) return out;
  std::wstring program;
  if (line[i] == L'"') {
    size_t end = line.find(L'"', i + 1);
    if (end == std::wstring_view::npos) end = n;
    program.assign(line.substr(i + 1, end - i - 1));
    i = end < n ? end + 1 : n;
  } else {
    size_t end = i;
    while (end < n && !IsBlank(line[end])) ++end;
    program.assign(line.substr(i, end - i));
    i = end;
  }
  out.push_back(std::move(program));
  SplitFrom(line, i, out);
  return out;
}

ResolvedCommand ResolveCommandLine(std::wstring_view line, const std::function<bool(const std::wstring&)>& fileExists) {
  ResolvedCommand result;
  size_t i = 0;
  const size_t n = line.size();
  while (i < n && IsBlank(line[i])) ++i;
  if (i >= n) return result;
  if (line[i] == L'"') {
    size_t end = line.find(L'"', i + 1);
    if (end == std::wstring_view::npos) end = n;
    result.program.assign(line.substr(i + 1, end - i - 1));
    result.arguments.assign(end < n ? line.substr(end + 1) : std::wstring_view());
    return result;
  }
  size_t firstEnd = i;
  while (firstEnd < n && !IsBlank(line[firstEnd])) ++firstEnd;
  size_t end = firstEnd;
  for (;;) {
    std::wstring prefix(line.substr(i, end - i));
    if (HasExtension(prefix)) {
      if (fileExists(prefix)) {
        result.program = prefix;
        result.arguments.assign(line.substr(end));
        return result;
      }
    } else {
      for (const std::wstring& candidate : {prefix + L".exe", prefix}) {
        if (fileExists(candidate)) {
          result.program = candidate;
          result.arguments.assign(line.substr(end));
          return result;
        }
      }
    }
    if (end >= n) break;
    // Extend the prefix to the end of the next blank-separated word.
    size_t next = end;
    while (next < n && IsBlank(line[next])) ++next;
    if (next >= n) break;
    while (next < n && !IsBlank(line[next])) ++next;
    end = next;
  }
  result.program.assign(line.substr(i, firstEnd - i));
  result.arguments.assign(line.substr(firstEnd));
  return result;
}

}  // namespace platform
