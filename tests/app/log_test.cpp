#include "app/log.h"

#include <gtest/gtest.h>

#include <regex>

#include "support/log_capture.h"
#include "utils/text.h"

namespace {

TEST(LogPrefix, WidthsAndFullValues) {
  platform::LocalTime t{2026, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(Utils::FormatLogPrefix(123, 4567, t, L"CurlClient::Start", 42),
            L"<P00123><T04567><2026-03-04 05:06:07.008>(CurlClient::Start)<0042>: ");
  EXPECT_EQ(Utils::FormatLogPrefix(1234567, 7654321, t, L"f", 12345),
            L"<P1234567><T7654321><2026-03-04 05:06:07.008>(f)<12345>: ");
}

TEST(LogPrefix, VeryLongFunctionNameIsKept) {
  platform::LocalTime t{2026, 1, 1, 0, 0, 0, 0};
  std::wstring name(600, L'n');
  std::wstring prefix = Utils::FormatLogPrefix(1, 2, t, name.c_str(), 3);
  EXPECT_NE(prefix.find(L"(" + name + L")<0003>: "), std::wstring::npos);
}

TEST(LogLine, LineEndRulesAndArguments) {
  testsupport::LogCapture capture;
  MIRELO_LOG(L"CurlClient::Start", L"error:%d:%ls", 22, L"HTTP response code said error");
  MIRELO_LOG_NOEOL(L"CInstaller::Parse", L"ExePath: %ls", L"/opt/米瑞洛/MireloStudio.exe");
  MIRELO_LOG_NOEOL(L"CurlClient::ProgressCallback", L" %dM %dM   progress:%f%%  speed:%f \n", 1, 2, 50.0, 10.5);
  auto lines = capture.Lines();
  ASSERT_EQ(lines.size(), 3u);
  const std::wregex prefix(LR"(^<P\d{5,}><T\d{5,}><\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>\()");
  for (const auto& l : lines) EXPECT_TRUE(std::regex_search(l, prefix)) << Utils::WideToUtf8(l);
  EXPECT_NE(lines[0].find(L"(CurlClient::Start)<"), std::wstring::npos);
  EXPECT_TRUE(lines[0].ends_with(L">: error:22:HTTP response code said error\r\n"));
  EXPECT_TRUE(lines[1].ends_with(L"ExePath: /opt/米瑞洛/MireloStudio.exe"));
  EXPECT_TRUE(lines[2].ends_with(L" 1M 2M   progress:50.000000%  speed:10.500000 \n"));
}

TEST(LogLine, OutputLogTakesTheWholeFormat) {
  testsupport::LogCapture capture;
  Utils::OutputLog(L"<P%05d>(%ls)<%04d>: %ls\r\n", 7, L"fn", 9, L"msg");
  ASSERT_EQ(capture.Lines().size(), 1u);
  EXPECT_EQ(capture.Lines()[0], L"<P00007>(fn)<0009>: msg\r\n");
}

TEST(LogLine, LongMessagesAreWrittenWhole) {
  testsupport::LogCapture capture;
  std::wstring big(100000, L'x');
  MIRELO_LOG(L"f", L"%ls", big.c_str());
  ASSERT_EQ(capture.Lines().size(), 1u);
  EXPECT_NE(capture.Lines()[0].find(big + L"\r\n"), std::wstring::npos);
}

}  // namespace
