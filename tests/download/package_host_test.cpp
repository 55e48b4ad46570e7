#include "package_host.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "download_test_support.h"
#include "support/temp_dir.h"
#include "utils/md5.h"

extern char** environ;

namespace {

using downloadtest::PatternBytes;

class PackageHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    content = PatternBytes(5000);
    testsupport::WriteFile(root / "p.bin", content);
    testsupport::WriteFile(root / "a b.bin", "x");
    digest = Utils::Md5OfText(content);
  }
  void Start(packagehost::Options options = {}) {
    options.root = root.str();
    options.logFile = (logDir / "requests.log").string();
    host = std::make_unique<packagehost::PackageHost>(options);
    ASSERT_GT(host->Start(), 0);
    client = std::make_unique<httplib::Client>("127.0.0.1", host->Port());
  }

  testsupport::TempDir root;
  testsupport::TempDir logDir;
  std::string content;
  std::string digest;
  std::unique_ptr<packagehost::PackageHost> host;
  std::unique_ptr<httplib::Client> client;
};

TEST_F(PackageHostTest, ServesFilesUnderTheirDigestWithRangesAndRedirects) {
  Start();
  const std::string path = "/" + digest + "/p.bin";
  EXPECT_EQ(host->UrlFor("p.bin"), host->BaseUrl() + digest + "/p.bin");

  auto whole = client->Get(path.c_str());
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->status, 200);
  EXPECT_EQ(whole->body, content);

  auto head = client->Head(path.c_str());
  ASSERT_TRUE(head);
  EXPECT_EQ(head->get_header_value("Content-Length"), "5000");
  EXPECT_TRUE(head->body.empty());

  struct Case {
    const char* range;
    int status;
    std::string body;
    const char* contentRange;
  } cases[] = {
      {"bytes=10-19", 206, content.substr(10, 10), "bytes 10-19/5000"},
      {"bytes=4990-", 206, content.substr(4990), "bytes 4990-4999/5000"},
      {"bytes=5000-", 416, "", "bytes */5000"},
      {"bytes=10-5000", 416, "", "bytes */5000"},
  };
  for (const auto& c : cases) {
    auto res = client->Get(path.c_str(), httplib::Headers{{"Range", c.range}});
    ASSERT_TRUE(res) << c.range;
    EXPECT_EQ(res->status, c.status) << c.range;
    if (c.status == 206) {
      EXPECT_EQ(res->body, c.body);
    }
    EXPECT_EQ(res->get_header_value("Content-Range"), c.contentRange) << c.range;
  }

  auto redirect = client->Get("/r/p.bin");
  ASSERT_TRUE(redirect);
  EXPECT_EQ(redirect->status, 302);
  EXPECT_EQ(redirect->get_header_value("Location"), path);
  EXPECT_EQ(packagehost::EncodePathSegment("a b\xc3\xa9.bin"), "a%20b%C3%A9.bin");

  for (const char* missing : {"/0123456789abcdef0123456789abcdef/p.bin", "/r/none", "/", "/x"}) {
    auto res = client->Get(missing);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404) << missing;
  }

  std::string log = testsupport::ReadFile(logDir / "requests.log");
  EXPECT_NE(log.find("GET " + path + " - 200\n"), std::string::npos);
  EXPECT_NE(log.find("HEAD " + path + " - 200\n"), std::string::npos);
  EXPECT_NE(log.find("GET " + path + " bytes=10-19 206\n"), std::string::npos);
  EXPECT_NE(log.find("GET /r/p.bin - 302\n"), std::string::npos);
}

TEST_F(PackageHostTest, FaultsApplyToTheFirstRequestsThatCarryABody) {
  packagehost::Options options;
  options.faults.status = 503;
  options.faults.times = 2;
  Start(options);
  const std::string path = "/" + digest + "/p.bin";
  EXPECT_EQ(client->Head(path.c_str())->status, 200);  // a HEAD request carries no body and is not counted
  EXPECT_EQ(client->Get(path.c_str())->status, 503);
  EXPECT_EQ(client->Get(path.c_str())->status, 503);
  EXPECT_EQ(client->Get(path.c_str())->status, 200);

  packagehost::Faults ignore;
  ignore.ignoreRange = true;
  host->SetFaults(ignore);
  auto res = client->Get(path.c_str(), httplib::Headers{{"Range", "bytes=10-19"}});
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->body, content);

  packagehost::Faults reset;
  reset.resetAfter = 1000;
  host->SetFaults(reset);
  auto broken = client->Get(path.c_str());
  EXPECT_TRUE(!broken || broken->body.size() < content.size());
}

TEST(PackageHostProgram, PrintsItsAddressFirstAndServes) {
  const char* build = std::getenv("MIRELO_BUILD_DIR");
  if (!build) GTEST_SKIP() << "MIRELO_BUILD_DIR is not set";
  std::string program = std::string(build) + "/tools/package-host/package-host";
  testsupport::TempDir root;
  testsupport::WriteFile(root / "p.bin", "content");
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::string rootText = root.str();
  const char* argv[] = {program.c_str(), "--root", rootText.c_str(), "--port", "0", nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char**>(argv), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  std::string line;
  char c;
  while (read(pipeFds[0], &c, 1) == 1 && c != '\n') line += c;
  close(pipeFds[0]);
  ASSERT_EQ(line.rfind("listening http://127.0.0.1:", 0), 0u) << line;
  int port = std::atoi(line.c_str() + std::string("listening http://127.0.0.1:").size());
  httplib::Client client("127.0.0.1", port);
  auto res = client.Get(("/" + Utils::Md5OfText("content") + "/p.bin").c_str());
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(res);
  EXPECT_EQ(res->body, "content");
}

}  // namespace
