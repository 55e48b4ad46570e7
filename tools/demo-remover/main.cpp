// A stand-in for an earlier version's remover. It removes the demo product
// from the folder given after "_?=" (the last option, unquoted: everything
// after it belongs to the folder) and prints the removal protocol. With the
// environment variable DEMO_REMOVER_SCRIPT it plays that script instead.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "demo_script.h"

namespace fs = std::filesystem;

namespace {

void Say(const std::string& record) {
  std::string line = record + "\n";
  (void)!::write(1, line.data(), line.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* script = std::getenv("DEMO_REMOVER_SCRIPT"); script != nullptr && *script != '\0')
    return demo::PlayScript(script);

  std::string folder;
  bool found = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (!found && a.rfind("_?=", 0) == 0) {
      found = true;
      folder = a.substr(3);
    } else if (found) {
      folder += " " + a;
    }
  }
  Say("Progress=0.1");
  if (!found || folder.empty()) {
    Say("Error=no installation folder given");
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::error_code ec;
  fs::remove(fs::path(folder) / "MireloStudio.exe", ec);
  if (ec) {
    Say("State=Fail");
    return 1;
  }
  Say("Progress=0.6");
  fs::remove(fs::path(folder) / "uninst.ep", ec);
  Say("Progress=1");
  Say("State=Success");
  return 0;
}
