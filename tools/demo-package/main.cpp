// A stand-in for the product's package. Run with the package command line, it
// installs a small demo product into the folder of "-instdir" and prints the
// progress protocol over about two seconds. With "-demoscript=FILE" it plays
// the script instead. Started under the product's own name
// ("MireloStudio.exe") it is the demo product: it prints that it started.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
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

fs::path SelfPath() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : p;
}

// The demo remover: $DEMO_REMOVER_PATH, else beside this program's build folder.
fs::path FindRemover() {
  if (const char* env = std::getenv("DEMO_REMOVER_PATH"); env != nullptr && *env != '\0') return env;
  fs::path self = SelfPath();
  for (const fs::path& candidate :
       {self.parent_path().parent_path() / "demo-remover" / "demo-remover", self.parent_path() / "demo-remover"}) {
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec)) return candidate;
  }
  return {};
}

int ProductMain(int argc, char** argv) {
  std::printf("Mirelo Studio (demo) started\n");
  std::fflush(stdout);
  // "--stay MS" keeps the product running for a while (update-mode tests).
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "--stay")
      std::this_thread::sleep_for(std::chrono::milliseconds(std::atoll(argv[i + 1])));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string name = fs::path(argv[0]).filename().string();
  if (name == "MireloStudio.exe") return ProductMain(argc, argv);

  std::string folder, script;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a.rfind("-instdir=", 0) == 0) folder = a.substr(9);
    if (a.rfind("-demoscript=", 0) == 0) script = a.substr(12);
  }
  if (!script.empty()) return demo::PlayScript(script);

  int stepMs = 250;
  if (const char* env = std::getenv("DEMO_PACKAGE_STEP_MS"); env != nullptr) stepMs = std::atoi(env);
  auto pause = [stepMs] { std::this_thread::sleep_for(std::chrono::milliseconds(stepMs)); };

  Say("Encode=UTF8");
  Say("Progress=0.05");
  if (folder.empty()) {
    Say("Error=no installation folder given");
    return 1;
  }
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    Say("Error=cannot create " + folder);
    return 1;
  }
  pause();
  Say("Progress=0.25");
  fs::path product = fs::path(folder) / "MireloStudio.exe";
  fs::copy_file(SelfPath(), product, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    Say("Error=cannot write " + product.string());
    return 1;
  }
  fs::permissions(product,
                  fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                      fs::perms::others_exec,
                  ec);
  pause();
  Say("Progress=0.5");
  fs::path removerRecord = fs::path(folder) / "uninst.ep";
  fs::path remover = FindRemover();
  bool haveRemover = false;
  if (!remover.empty()) {
    fs::copy_file(remover, removerRecord, fs::copy_options::overwrite_existing, ec);
    haveRemover = !ec;
  }
  pause();
  Say("Progress=0.75");
  Say("InstallVersion=1.7.9");
  Say("InstPath=" + folder);
  Say("ExePath=" + product.string());
  if (haveRemover) Say("UninstEp=" + removerRecord.string());
  pause();
  Say("Progress=1");
  Say("StartupStyle=AutoStartup");
  pause();
  Say("State=Success");
  return 0;
}
