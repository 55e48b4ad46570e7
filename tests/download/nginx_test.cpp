// The downloaders against a real web server: nginx, started by the test on
// 127.0.0.1 with a configuration generated in a temporary folder.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "download/downloader.h"
#include "download_test_support.h"
#include "support/temp_dir.h"
#include "utils/md5.h"
#include "utils/text.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
constexpr const char* kNginx = "/usr/sbin/nginx";

int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

bool Accepts(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

class Nginx {
 public:
  // Serves `www` on a free port of 127.0.0.1; "/r/<name>" redirects to `redirectTarget`.
  Nginx(const fs::path& dir, const fs::path& www, const std::string& redirectTarget) {
    port_ = FreePort();
    std::string d = dir.string();
    fs::create_directories(dir / "temp");
    std::ofstream conf(dir / "nginx.conf");
    conf << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
         << "pid " << d << "/nginx.pid;\nerror_log " << d << "/error.log;\n"
         << "events { worker_connections 64; }\n"
         << "http {\n  access_log " << d << "/access.log;\n"
         << "  client_body_temp_path " << d << "/temp/body;\n  proxy_temp_path " << d << "/temp/proxy;\n"
         << "  fastcgi_temp_path " << d << "/temp/fastcgi;\n  uwsgi_temp_path " << d << "/temp/uwsgi;\n"
         << "  scgi_temp_path " << d << "/temp/scgi;\n"
         << "  server {\n    listen 127.0.0.1:" << port_ << ";\n    root " << www.string() << ";\n"
         << "    location /r/ { return 302 " << redirectTarget << "; }\n  }\n}\n";
    conf.close();
    std::string confPath = (dir / "nginx.conf").string();
    const char* argv[] = {kNginx, "-p", d.c_str(), "-c", confPath.c_str(), "-e", (d + "/error.log").c_str(), nullptr};
    std::string errorLog = d + "/error.log";
    argv[6] = errorLog.c_str();
    if (posix_spawn(&pid_, kNginx, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pid_ > 0 && !Accepts(port_) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~Nginx() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  bool Running() const { return pid_ > 0 && Accepts(port_); }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  int port_ = -1;
  pid_t pid_ = -1;
};

TEST(NginxTest, EveryDownloaderFetchesAPackageFromARealServer) {
  if (!fs::exists(kNginx)) GTEST_SKIP() << "nginx is not installed";
  testsupport::TempDir dir;
  const size_t size = 20971520 + 12345;  // two ranges for the multi-connection downloader
  std::string content = downloadtest::PatternBytes(size, 11);
  std::string digest = Utils::Md5OfText(content);
  fs::create_directories(dir / "www" / digest);
  testsupport::WriteFile(dir / "www" / digest / "pkg.bin", content);
  Nginx nginx(dir / "server", dir / "www", "/" + digest + "/pkg.bin");
  ASSERT_TRUE(nginx.Running()) << testsupport::ReadFile(dir / "server" / "error.log");

  for (int type : {1, 3, 2}) {
    testsupport::TempDir local;
    downloadtest::EventLog log;
    auto d = CreateDownloader(type, log.Listener(), Utils::Utf8ToWide(nginx.Base() + "r/pkg.bin"),
                              Utils::NarrowToWide((local / "pkg.exe").string()));
    d->Start();
    ASSERT_TRUE(log.WaitForTerminal()) << type;
    d.reset();
    EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS})) << type;
    EXPECT_EQ(Utils::GetFileMd5((local / "pkg.exe").string()), digest) << type;
  }
  std::string access = testsupport::ReadFile(dir / "server" / "access.log");
  EXPECT_NE(access.find(" 206 "), std::string::npos);
}

}  // namespace
