#include "ui/framework/text_render.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <list>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/utf.h"

namespace ui {
namespace {

constexpr char kFallbackFace[] = "WenQuanYi Micro Hei";
constexpr FcChar32 kProbeChar = 0x7C73;  // a common Chinese character

// Family names compared ignoring ASCII letter case.
bool SameFamily(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool MatchFace(const std::string& face, bool requireExactFamily, FontFile& out) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(face.c_str()));
  if (!pattern) return false;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  bool ok = false;
  FcChar8* file = nullptr;
  FcChar8* family = nullptr;
  FcCharSet* charset = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
    bool familyOk = !requireExactFamily;
    for (int i = 0; requireExactFamily && FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
      if (family && SameFamily(reinterpret_cast<const char*>(family), face)) familyOk = true;
    }
    bool covers = FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch && charset &&
                  FcCharSetHasChar(charset, kProbeChar);
    if (familyOk && covers) {
      int index = 0;
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      out.path = reinterpret_cast<const char*>(file);
      out.index = index;
      ok = true;
    }
  }
  FcPatternDestroy(match);
  return ok;
}

// Owns SDL_ttf, fontconfig and every open font; released at process exit.
class FontSystem {
 public:
  static FontSystem& Get() {
    static FontSystem system;
    return system;
  }
  std::mutex lock;

  TTF_Font* Open(const FontSpec& fontSpec) {
    if (!ready_) return nullptr;
    std::wstring key = fontSpec.face + L"|" + std::to_wstring(fontSpec.size) + (fontSpec.bold ? L"b" : L"") +
                       (fontSpec.underline ? L"u" : L"") + (fontSpec.italic ? L"i" : L"");
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    FontFile file = ResolveLocked(fontSpec.face);
    TTF_Font* font = nullptr;
    if (!file.path.empty()) font = TTF_OpenFontIndex(file.path.c_str(), std::clamp(fontSpec.size, 1, 400), file.index);
    if (font) {
      int style = TTF_STYLE_NORMAL;
      if (fontSpec.bold) style |= TTF_STYLE_BOLD;
      if (fontSpec.underline) style |= TTF_STYLE_UNDERLINE;
      if (fontSpec.italic) style |= TTF_STYLE_ITALIC;
      TTF_SetFontStyle(font, style);
      TTF_SetFontHinting(font, TTF_HINTING_LIGHT);
    }
    fonts_[key] = font;
    return font;
  }

  FontFile ResolveLocked(const std::wstring& face) {
    auto it = files_.find(face);
    if (it != files_.end()) return it->second;
    FontFile file;
    std::string utf8 = platform::WideToUtf8(face);
    if (utf8.empty() || !MatchFace(utf8, true, file)) {
      if (!MatchFace(kFallbackFace, true, file)) MatchFace(":lang=zh-cn", false, file);
    }
    files_[face] = file;
    return file;
  }

  // Rendered line masks, reused across frames.
  struct Mask {
    int width = 0, height = 0;
    std::vector<uint8_t> alpha;
  };
  const Mask* RenderLine(TTF_Font* font, const std::wstring& key, const std::string& utf8) {
    auto it = masks_.find(key);
    if (it != masks_.end()) return &it->second;
    if (masks_.size() > 512) masks_.clear();
    Mask mask;
    SDL_Surface* surface = TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (surface) {
      SDL_Surface* converted = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
      SDL_FreeSurface(surface);
      if (converted) {
        SDL_LockSurface(converted);
        mask.width = converted->w;
        mask.height = converted->h;
        mask.alpha.resize(static_cast<size_t>(mask.width) * mask.height);
        for (int y = 0; y < mask.height; ++y) {
          const uint32_t* row =
              reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(converted->pixels) + y * converted->pitch);
          for (int x = 0; x < mask.width; ++x) mask.alpha[static_cast<size_t>(y) * mask.width + x] = row[x] >> 24;
        }
        SDL_UnlockSurface(converted);
        SDL_FreeSurface(converted);
      }
    }
    return &masks_.emplace(key, std::move(mask)).first->second;
  }

 private:
  FontSystem() {
    ready_ = TTF_Init() == 0;
    FcInit();
  }
  ~FontSystem() {
    for (auto& [key, font] : fonts_) {
      if (font) TTF_CloseFont(font);
    }
    if (ready_) TTF_Quit();
    FcFini();
  }
  bool ready_ = false;
  std::map<std::wstring, TTF_Font*> fonts_;
  std::map<std::wstring, FontFile> files_;
  std::unordered_map<std::wstring, Mask> masks_;
};

int LineWidth(TTF_Font* font, const std::wstring& text) {
  if (text.empty()) return 0;
  int w = 0, h = 0;
  if (TTF_SizeUTF8(font, platform::WideToUtf8(text).c_str(), &w, &h) != 0) return 0;
  return w;
}

// More text than this is never shown in one control; longer texts are cut.
constexpr size_t kMaxShownChars = 4096;

// Splits text into the lines it takes in a box of the given width.
std::vector<std::wstring> BreakLines(TTF_Font* font, const std::wstring& fullText, int width, uint32_t style) {
  const std::wstring text = fullText.substr(0, kMaxShownChars);
  std::vector<std::wstring> paragraphs;
  if (style & DT_SINGLELINE) {
    std::wstring one;
    for (wchar_t c : text) {
      if (c != L'\r' && c != L'\n') one.push_back(c);
    }
    paragraphs.push_back(one);
  } else {
    std::wstring current;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == L'\r') {
        if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        paragraphs.push_back(current);
        current.clear();
      } else if (text[i] == L'\n') {
        paragraphs.push_back(current);
        current.clear();
      } else {
        current.push_back(text[i]);
      }
    }
    paragraphs.push_back(current);
  }
  if (!(style & DT_WORDBREAK) || width <= 0) return paragraphs;
  std::vector<std::wstring> lines;
  for (const auto& para : paragraphs) {
    std::wstring line;
    size_t lastSpace = std::wstring::npos;
    for (wchar_t c : para) {
      line.push_back(c);
      if (c == L' ') lastSpace = line.size();
      if (line.size() > 1 && LineWidth(font, line) > width) {
        // Break after the last blank of Latin text, or before this character.
        if (lastSpace != std::wstring::npos && lastSpace < line.size() && c != L' ' && c < 0x2E80) {
          lines.push_back(line.substr(0, lastSpace));
          line = line.substr(lastSpace);
        } else {
          line.pop_back();
          lines.push_back(line);
          line.assign(1, c);
        }
        lastSpace = std::wstring::npos;
      }
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

FontFile ResolveFontFile(const std::wstring& face) {
  auto& fs = FontSystem::Get();
  std::lock_guard<std::mutex> guard(fs.lock);
  return fs.ResolveLocked(face);
}

Size MeasureText(const FontSpec& fontSpec, const std::wstring& text) {
  auto& fs = FontSystem::Get();
  std::lock_guard<std::mutex> guard(fs.lock);
  TTF_Font* font = fs.Open(fontSpec);
  if (!font) return Size{};
  return Size{LineWidth(font, text), TTF_FontHeight(font)};
}

Size MeasureTextBox(const FontSpec& fontSpec, const std::wstring& text, int width, uint32_t style) {
  auto& fs = FontSystem::Get();
  std::lock_guard<std::mutex> guard(fs.lock);
  TTF_Font* font = fs.Open(fontSpec);
  if (!font) return Size{};
  auto lines = BreakLines(font, text, width, style);
  Size size{0, TTF_FontHeight(font) * static_cast<int>(lines.size())};
  for (const auto& line : lines) size.cx = std::max(size.cx, LineWidth(font, line));
  return size;
}

void DrawText(Canvas& canvas, const Rect& rect, const FontSpec& fontSpec, const std::wstring& text, Argb color,
              uint32_t style) {
  if (text.empty() || rect.Empty() || (color >> 24) == 0) return;
  auto& fs = FontSystem::Get();
  std::lock_guard<std::mutex> guard(fs.lock);
  TTF_Font* font = fs.Open(fontSpec);
  if (!font) return;
  auto lines = BreakLines(font, text, rect.Width(), style);
  const int lineHeight = TTF_FontHeight(font);
  const int total = lineHeight * static_cast<int>(lines.size());
  int y = rect.top;
  if (style & DT_VCENTER) y = rect.top + (rect.Height() - total) / 2;
  else if (style & DT_BOTTOM) y = rect.bottom - total;
  Rect oldClip = canvas.Clip();
  canvas.SetClip(oldClip.Intersect(rect));
  const std::wstring fontKey = fontSpec.face + L"|" + std::to_wstring(fontSpec.size) + (fontSpec.bold ? L"b" : L"") +
                               (fontSpec.underline ? L"u" : L"") + (fontSpec.italic ? L"i" : L"") + L"|";
  for (auto& line : lines) {
    if (style & DT_END_ELLIPSIS && LineWidth(font, line) > rect.Width()) {
      while (!line.empty() && LineWidth(font, line + L"...") > rect.Width()) line.pop_back();
      line += L"...";
    }
    if (!line.empty()) {
      const auto* mask = fs.RenderLine(font, fontKey + line, platform::WideToUtf8(line));
      int x = rect.left;
      if (style & DT_CENTER) x = rect.left + (rect.Width() - mask->width) / 2;
      else if (style & DT_RIGHT) x = rect.right - mask->width;
      if (mask->width > 0) canvas.BlendMask(mask->alpha.data(), mask->width, mask->height, mask->width, x, y, color);
    }
    y += lineHeight;
  }
  canvas.SetClip(oldClip);
}

}  // namespace ui
