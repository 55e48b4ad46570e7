// Opening a file the way the desktop shell does.
#pragma once
#include <string>

namespace platform {

// An executable file is started detached (in its own session, not waited
// for) in the given working folder (its own folder when empty); anything else
// (documents, web addresses) is handed to xdg-open. False when nothing could
// be started.
bool ShellOpen(const std::wstring& target, const std::wstring& workingFolder);

}  // namespace platform
