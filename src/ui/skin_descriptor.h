// How an installer window names its skin: where the archive is, which layout
// file builds it and the window class name.
#pragma once
#include <cstdint>
#include <string>

struct SkinDescriptor {
  int32_t resourceKind = 4;  // 4 = archive held in a resource of the executable
  int32_t resourceId = 147;
  std::wstring archiveFileName;  // not used with kind 4
  std::wstring layoutFile;       // "MainWnd.xml"
  std::wstring windowClassName;  // "MainWnd"
};

inline constexpr int32_t kSkinResourceKindArchive = 4;
inline constexpr int32_t kSkinArchiveResourceId = 147;
inline constexpr int32_t kWindowIconResourceId = 145;

// The descriptor of an installer window for a layout file: kind 4, id 147, no
// archive name, class name = the file name without its extension.
SkinDescriptor MakeSkinDescriptor(const std::wstring& layoutFile);
