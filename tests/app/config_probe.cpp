// Prints the configuration record as "field=value" lines (UTF-8).
#include <cstdio>

#include "app/command_line.h"
#include "app/config.h"
#include "utils/text.h"

int main() {
  ParseCommandLine();
  const InstallerConfiguration& c = InstallerConfig;
  auto line = [](const char* name, const std::wstring& v) {
    std::printf("%s=%s\n", name, Utils::WideToUtf8(v).c_str());
  };
  line("installerFileName", c.installerFileName);
  line("downloadUrl", c.downloadUrl);
  line("instCmd", c.instCmd);
  std::printf("downloadType=%d\nisCheckNet=%d\ndownloadScale=%g\ninsNew=%d\n", c.downloadType, c.isCheckNet ? 1 : 0,
              c.downloadScale, c.insNew ? 1 : 0);
  return 0;
}
