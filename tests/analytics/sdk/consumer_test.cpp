// The bounded queue, batch uploads and the staging file.
#include <gtest/gtest.h>

#include "analytics/sdk/http_sender.h"
#include "analytics/sdk/record_consumer.h"
#include "analytics/sdk/sdk.h"
#include "sdk_test_support.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

using analytics_sdk::RecordConsumer;

namespace {

std::string Rec(int n) { return "{\"n\":" + std::to_string(n) + "}"; }

std::vector<std::string> Recs(int from, int to) {
  std::vector<std::string> out;
  for (int i = from; i < to; ++i) out.push_back(Rec(i));
  return out;
}

class ConsumerTest : public ::testing::Test {
 protected:
  std::string Staging() const { return (dir_ / "staging.txt").string(); }
  testsupport::TempDir dir_;
  sdktest::ErrorCapture errors_;
};

TEST_F(ConsumerTest, QueueKeepsTheNewest1024) {
  RecordConsumer consumer("", Staging());
  for (int i = 0; i < 1025; ++i) ASSERT_TRUE(consumer.addText(Rec(i)));
  EXPECT_EQ(consumer.Records(), Recs(1, 1025));
}

TEST_F(ConsumerTest, FlushSendsBatchesOfThirtyOldestFirst) {
  auto server = sdktest::StartCollector();
  RecordConsumer consumer(server->url(), Staging());
  for (int i = 0; i < 65; ++i) consumer.addText(Rec(i));
  EXPECT_TRUE(consumer.flushAll());
  EXPECT_EQ(server->BatchSizes(), (std::vector<size_t>{30, 30, 5}));
  EXPECT_EQ(server->Records(), Recs(0, 65));
  EXPECT_TRUE(consumer.Records().empty());
  EXPECT_TRUE(analytics_sdk::LastSendSucceeded());
}

TEST_F(ConsumerTest, FailedBatchGoesBackInFrontOfTheRest) {
  collector::Options options;
  options.statusFor = [](int index) { return index == 1 ? 500 : 200; };
  auto server = sdktest::StartCollector(options);
  testsupport::LogCapture debug;
  RecordConsumer consumer(server->url(), Staging());
  for (int i = 0; i < 65; ++i) consumer.addText(Rec(i));
  EXPECT_FALSE(consumer.flushAll());
  EXPECT_EQ(server->RequestCount(), 2);
  EXPECT_EQ(consumer.Records(), Recs(30, 65));
  EXPECT_FALSE(analytics_sdk::LastSendSucceeded());
  EXPECT_TRUE(errors_.Contains("Analytics SDK send failed: refused"));
  EXPECT_EQ(debug.Count(L"[analytics] Analytics SDK send failed"), 1u);
  // The next flush sends them in their old order.
  EXPECT_TRUE(consumer.flushAll());
  EXPECT_EQ(server->Records(), Recs(0, 65));
}

TEST_F(ConsumerTest, EmptyQueueFlushesWithoutARequest) {
  auto server = sdktest::StartCollector();
  RecordConsumer consumer(server->url(), Staging());
  EXPECT_TRUE(consumer.flushAll());
  EXPECT_TRUE(consumer.flushBatch());
  EXPECT_EQ(server->RequestCount(), 0);
}

TEST_F(ConsumerTest, OnlyStatus200Counts) {
  for (int status : {302, 201, 404}) {
    collector::Options options;
    options.status = status;
    auto server = sdktest::StartCollector(options);
    RecordConsumer consumer(server->url(), (dir_ / ("staging" + std::to_string(status))).string());
    consumer.addText(Rec(1));
    EXPECT_FALSE(consumer.flushAll()) << status;
    EXPECT_EQ(server->RequestCount(), 1) << status;  // the redirect is not followed
    EXPECT_EQ(consumer.Records(), Recs(1, 2)) << status;
  }
}

TEST_F(ConsumerTest, UnreachableServerFailsAndKeepsTheRecords) {
  int port;
  {
    auto server = sdktest::StartCollector();
    port = server->port();
  }
  RecordConsumer consumer("http://127.0.0.1:" + std::to_string(port) + "/", Staging());
  consumer.addText(Rec(1));
  EXPECT_FALSE(consumer.flushAll());
  EXPECT_EQ(consumer.Records(), Recs(1, 2));
  EXPECT_TRUE(errors_.Contains("Analytics SDK send failed: "));
}

TEST_F(ConsumerTest, StagingFileLoadsTheNewestLinesInFrontAndIsEmptied) {
  std::string file;
  for (int i = 0; i < 1000; ++i) file += Rec(i) + "\n";
  testsupport::WriteFile(Staging(), file);
  RecordConsumer consumer("", Staging());
  for (int i = 5000; i < 5100; ++i) consumer.addText(Rec(i));
  consumer.flushAll();  // loads, then fails to send (no server)
  std::vector<std::string> expected = Recs(76, 1000);
  for (const auto& r : Recs(5000, 5100)) expected.push_back(r);
  EXPECT_EQ(consumer.Records(), expected);
  EXPECT_EQ(testsupport::ReadFile(Staging()), "");
}

TEST_F(ConsumerTest, StagingLoaderSkipsBlankAndMalformedLines) {
  testsupport::WriteFile(Staging(), "\n{\"n\":1}\r\nnot a record\n{\"n\":2\n {\"n\":3}\n\n{\"n\":4}");
  RecordConsumer consumer("", Staging());
  consumer.close();
  EXPECT_EQ(testsupport::ReadFile(Staging()), "{\"n\":1}\n{\"n\":4}\n");
  // Room limits and line handling without a file.
  EXPECT_EQ(analytics_sdk::ParseStagingText("{a}\n{b}\n{c}\n", 2), (std::deque<std::string>{"{b}", "{c}"}));
  EXPECT_TRUE(analytics_sdk::ParseStagingText("{a}\n", 0).empty());
  EXPECT_TRUE(analytics_sdk::ReadStagingLines((dir_ / "missing").string(), 10).empty());
}

TEST_F(ConsumerTest, CloseSavesUnsentRecordsAndLaterAddsAreRefused) {
  {
    RecordConsumer consumer("", Staging());
    consumer.addText(Rec(1));
    consumer.addText(Rec(2));
    consumer.close();
    EXPECT_FALSE(consumer.addText(Rec(3)));
    EXPECT_FALSE(consumer.flushAll());
  }
  EXPECT_EQ(testsupport::ReadFile(Staging()), Rec(1) + "\n" + Rec(2) + "\n");
}

TEST_F(ConsumerTest, FailedSaveIsReportedNotHidden) {
  RecordConsumer consumer("", (dir_ / "no-such-folder" / "staging.txt").string());
  consumer.addText(Rec(1));
  consumer.close();
  EXPECT_TRUE(errors_.Contains("Failed to save the analytics staging file"));
}

TEST_F(ConsumerTest, RecordsSurviveARestart) {
  auto server = sdktest::StartCollector();
  ASSERT_TRUE(analytics_sdk::Sdk::Init(Staging(), server->url(), "anon", false));
  ASSERT_TRUE(analytics_sdk::Sdk::Track("First"));
  analytics_sdk::Sdk::Shutdown();
  EXPECT_EQ(server->RequestCount(), 0);
  ASSERT_NE(testsupport::ReadFile(Staging()).find("\"event\":\"First\""), std::string::npos);

  ASSERT_TRUE(analytics_sdk::Sdk::Init(Staging(), server->url(), "anon", false));
  ASSERT_TRUE(analytics_sdk::Sdk::Track("Second"));
  EXPECT_TRUE(analytics_sdk::Sdk::Flush());
  analytics_sdk::Sdk::Shutdown();
  const auto records = server->Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(sdktest::ParseJson(records[0])["event"].asString(), "First");
  EXPECT_EQ(sdktest::ParseJson(records[1])["event"].asString(), "Second");
  EXPECT_EQ(testsupport::ReadFile(Staging()), "");
}

}  // namespace
