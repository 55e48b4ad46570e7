#include "download/download_common.h"

#include <gtest/gtest.h>

#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/win_downloader.h"
#include "download_test_support.h"
#include "support/temp_dir.h"
#include "utils/md5.h"

namespace {

using download::ByteRange;

TEST(DigestRule, TakesTheSegmentBeforeTheFileNameOnlyWhenItHas32Characters) {
  const std::string d32 = "0123456789abcdef0123456789abcdef";
  struct Case {
    std::string url;
    std::string expected;
  } cases[] = {
      {"http://h/" + d32 + "/pkg.exe", d32},
      {"http://h/a/" + d32 + "/pkg.exe", d32},
      {"http://h/" + d32.substr(1) + "/pkg.exe", ""},  // 31
      {"http://h/" + d32 + "0/pkg.exe", ""},           // 33
      {"http://h/abc/pkg.exe", ""},
      {"pkg.exe", ""},
      {"/pkg.exe", ""},
      {d32 + "/pkg.exe", ""},  // a single "/"
      {"", ""},
      // An upper-case digest is taken as it is; it never matches the lower-case file digest.
      {"http://h/0123456789ABCDEF0123456789ABCDEF/p", "0123456789ABCDEF0123456789ABCDEF"},
  };
  for (const auto& c : cases) EXPECT_EQ(download::ExpectedDigestFromUrl(c.url), c.expected) << c.url;
}

TEST(DigestRule, ComparisonIsExactAndAnUnreadableFileCountsAsVerified) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "p", "package");
  std::string digest = Utils::Md5OfText("package");
  std::string upper = digest;
  for (char& c : upper) c = static_cast<char>(toupper(c));
  using download::DigestVerdict;
  EXPECT_EQ(download::CheckPackageDigest(digest, (dir / "p").string()), DigestVerdict::kVerified);
  EXPECT_EQ(download::CheckPackageDigest(upper, (dir / "p").string()), DigestVerdict::kMismatch);
  EXPECT_EQ(download::CheckPackageDigest(Utils::Md5OfText("other"), (dir / "p").string()), DigestVerdict::kMismatch);
  EXPECT_EQ(download::CheckPackageDigest(digest, (dir / "missing").string()), DigestVerdict::kVerified);
  EXPECT_EQ(download::CheckPackageDigest("abc", (dir / "p").string()), DigestVerdict::kNoDigest);
}

TEST(RangeSplit, OneConnectionBelowTwentyMebibytesTwoFromThere) {
  struct Case {
    int64_t length;
    std::vector<std::pair<int64_t, int64_t>> ranges;  // first, last
  } cases[] = {
      {256, {{0, 255}}},
      {20971519, {{0, 20971518}}},
      {20971520, {{0, 10485759}, {10485760, 20971519}}},
      {20971521, {{0, 10485759}, {10485760, 20971520}}},
      // Packages of 2 GiB and more split with 64-bit offsets.
      {2147483648LL, {{0, 1073741823LL}, {1073741824LL, 2147483647LL}}},
      {5368709121LL, {{0, 2684354559LL}, {2684354560LL, 5368709120LL}}},
      {0, {}},
  };
  for (const auto& c : cases) {
    std::vector<ByteRange> ranges = download::SplitRanges(c.length);
    ASSERT_EQ(ranges.size(), c.ranges.size()) << c.length;
    for (size_t i = 0; i < ranges.size(); ++i) {
      EXPECT_EQ(ranges[i].offset, c.ranges[i].first) << c.length;
      EXPECT_EQ(ranges[i].offset + ranges[i].size - 1, c.ranges[i].second) << c.length;
    }
  }
}

TEST(ContentRangeCheck, ParsesOnlyWellFormedValues) {
  struct Case {
    const char* text;
    bool ok;
    int64_t first, last, total;
  } cases[] = {
      {"bytes 0-9/10", true, 0, 9, 10},
      {" bytes 2147483648-4294967295/4294967296\r\n", true, 2147483648LL, 4294967295LL, 4294967296LL},
      {"Bytes 5-9/*", true, 5, 9, -1},
      {"bytes 9-5/10", false, 0, 0, 0},
      {"bytes 0-10/10", false, 0, 0, 0},
      {"bytes */10", false, 0, 0, 0},
      {"bytes -1-5/10", false, 0, 0, 0},
      {"items 0-9/10", false, 0, 0, 0},
      {"bytes 0-9", false, 0, 0, 0},
      {"bytes 99999999999999999999-1/2", false, 0, 0, 0},
      {"", false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    auto range = download::ParseContentRange(c.text);
    ASSERT_EQ(range.has_value(), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(range->first, c.first);
    EXPECT_EQ(range->last, c.last);
    EXPECT_EQ(range->total, c.total);
  }
}

TEST(ContentRangeCheck, AcceptsOnlyAResponseStartingAtTheNextByte) {
  auto range = [](int64_t a, int64_t b, int64_t t) { return std::optional<download::ContentRange>({a, b, t}); };
  struct Case {
    long status;
    std::optional<download::ContentRange> range;
    int64_t next, last, length;
    bool accepted;
  } cases[] = {
      {206, range(100, 199, 1000), 100, 199, 1000, true},
      {206, range(100, 150, 1000), 100, 199, 1000, true},  // shorter: completed by a later attempt
      {206, range(0, 199, 1000), 100, 199, 1000, false},
      {206, range(100, 299, 1000), 100, 199, 1000, false},
      {206, range(100, 199, 2000), 100, 199, 1000, false},  // another package
      {206, std::nullopt, 100, 199, 1000, false},
      {200, std::nullopt, 0, 999, 1000, true},  // the whole package asked from byte 0
      {200, std::nullopt, 0, 499, 1000, false},
      {200, std::nullopt, 500, 999, 1000, false},
      {416, std::nullopt, 0, 999, 1000, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(download::RangedResponseAcceptable(c.status, c.range, c.next, c.last, c.length), c.accepted)
        << c.status << " " << c.next << "-" << c.last;
  }
}

TEST(SystemDownloadUrl, EncodesSpacesControlAndNonAsciiBytesOnly) {
  struct Case {
    std::wstring url;
    std::wstring encoded;
  } cases[] = {
      {L"http://h/a b/\u00e9.exe?x=1&y=%2", L"http://h/a+b/%C3%A9.exe?x=1&y=%2"},
      {L"https://h/\u7c73/p", L"https://h/%E7%B1%B3/p"},
      {L"http://h/\tx\x7f", L"http://h/%09x%7F"},
      {L"file:///tmp/a b/\u00e9.exe", L"file:///tmp/a b/\u00e9.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(download::EncodeUrlForSystemDownload(c.url), c.encoded);
}

TEST(DownloaderSelection, TypeTwoAndThreeChooseTheirDownloadersAnyOtherTheSingleConnectionOne) {
  testsupport::TempDir dir;
  std::wstring path = dir.wstr() + L"/pkg.exe";
  for (int type : {0, 1, 4, 99, -1}) {
    auto d = CreateDownloader(type, [](int, double, const wchar_t*) {}, L"http://127.0.0.1:1/", path);
    EXPECT_NE(dynamic_cast<CCurlDownloader*>(d.get()), nullptr) << type;
  }
  auto win = CreateDownloader(2, [](int, double, const wchar_t*) {}, L"http://127.0.0.1:1/", path);
  EXPECT_NE(dynamic_cast<CWinDownloader*>(win.get()), nullptr);
  auto mt = CreateDownloader(3, [](int, double, const wchar_t*) {}, L"http://127.0.0.1:1/", path);
  EXPECT_NE(dynamic_cast<CMTCurlDownloader*>(mt.get()), nullptr);
}

TEST(EmptyDestination, EveryDownloaderSendsStartThenFailWithOneAndStops) {
  for (int type : {1, 2, 3}) {
    downloadtest::EventLog log;
    {
      auto d = CreateDownloader(type, log.Listener(), L"http://127.0.0.1:1/x", L"");
      d->Start();
      ASSERT_TRUE(log.WaitForTerminal());
    }
    auto events = log.Events();
    ASSERT_EQ(events.size(), 2u) << type;
    EXPECT_EQ(events[0].code, DL_CODE_START);
    EXPECT_EQ(events[1].code, DL_CODE_FAIL);
    EXPECT_EQ(events[1].value, 1.0);
    EXPECT_EQ(events[1].text, L"");
  }
}

}  // namespace

namespace {

TEST(StreamingDigestTest, MatchesTheDigestOfTheWholeStreamWhateverThePieces) {
  download::StreamingDigest digest;
  const std::string data = downloadtest::PatternBytes(3 * 1048576 + 5);
  struct Case {
    size_t length;
    size_t piece;
  } cases[] = {{0, 1}, {1, 1}, {1048575, 4096}, {1048576, 1048576}, {1048577, 7}, {3 * 1048576 + 5, 262144 + 3}};
  for (const auto& c : cases) {
    digest.Reset();
    for (size_t at = 0; at < c.length; at += c.piece) digest.Feed(data.data() + at, std::min(c.piece, c.length - at));
    EXPECT_EQ(digest.Bytes(), static_cast<int64_t>(c.length));
    EXPECT_EQ(digest.Finish(), Utils::Md5OfText(std::string_view(data).substr(0, c.length))) << c.length;
  }
  // A reset drops what was fed before.
  digest.Feed("abc", 3);
  digest.Reset();
  digest.Feed("x", 1);
  EXPECT_EQ(digest.Finish(), Utils::Md5OfText("x"));
}

}  // namespace
