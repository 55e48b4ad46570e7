// The upload body and the collection service that decodes it.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <fstream>

#include "analytics/sdk/http_sender.h"
#include "collector.h"
#include "sdk_test_support.h"
#include "support/temp_dir.h"

namespace {

TEST(EncodingTest, Base64AndUrlEncodingTables) {
  const std::pair<std::string, std::string> base64[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"\xFB\xFF", "+/8="},
  };
  for (const auto& [in, out] : base64) {
    EXPECT_EQ(analytics_sdk::Base64Encode(in), out);
    std::string back;
    EXPECT_TRUE(collector::Base64Decode(out, back));
    EXPECT_EQ(back, in);
  }
  EXPECT_EQ(analytics_sdk::UrlEncode("aZ09-._~+/= \xE4"), "aZ09-._~%2B%2F%3D%20%E4");
}

TEST(EncodingTest, BodyHoldsOnlySafeCharactersAndDecodesBack) {
  const std::string record =
      R"({"_track_id":12345,"distinct_id":"d","event":"E","properties":{"s":"a+b/c=d \u4e2d"},"time":1,"type":"track"})";
  const std::string payload = "[" + record + "]";
  std::string body;
  ASSERT_TRUE(analytics_sdk::EncodeUploadBody(payload, body));
  const std::string prefix = "data_list=", suffix = "&gzip=1";
  ASSERT_EQ(body.rfind(prefix, 0), 0u);
  ASSERT_GT(body.size(), prefix.size() + suffix.size());
  ASSERT_EQ(body.substr(body.size() - suffix.size()), suffix);
  const std::string encoded = body.substr(prefix.size(), body.size() - prefix.size() - suffix.size());
  for (size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    if (c == '%') {
      ASSERT_LT(i + 2, encoded.size());
      for (char h : {encoded[i + 1], encoded[i + 2]}) EXPECT_TRUE((h >= '0' && h <= '9') || (h >= 'A' && h <= 'F'));
      i += 2;
    } else {
      EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << c;
    }
  }
  std::string json, error;
  ASSERT_TRUE(collector::DecodeUploadBody(body, json, error)) << error;
  EXPECT_EQ(json, payload);
  // The compressed part carries the gzip wrapper.
  std::string compressed;
  ASSERT_TRUE(analytics_sdk::GzipCompress(payload, compressed));
  ASSERT_GE(compressed.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(compressed[0]), 0x1F);
  EXPECT_EQ(static_cast<unsigned char>(compressed[1]), 0x8B);
}

TEST(EncodingTest, LargePayloadSpanningManyChunksRoundTrips) {
  std::string payload = "[";
  for (int i = 0; i < 30; ++i) {
    if (i) payload += ',';
    payload += "{\"n\":" + std::to_string(i) + ",\"pad\":\"";
    for (int k = 0; k < 8000; ++k) payload += static_cast<char>('a' + (k * 7 + i) % 26);
    payload += "\"}";
  }
  payload += "]";
  std::string body, json, error;
  ASSERT_TRUE(analytics_sdk::EncodeUploadBody(payload, body));
  ASSERT_TRUE(collector::DecodeUploadBody(body, json, error)) << error;
  EXPECT_EQ(json, payload);
}

TEST(CollectorTest, JsonArraySplitting) {
  struct Case {
    const char* json;
    bool ok;
    std::vector<std::string> elements;
  } cases[] = {
      {"[]", true, {}},
      {R"([{"a":[1,2.5e-3,-0.1]},{"b":"x\"y\u00e9"}, true ,null])",
       true,
       {R"({"a":[1,2.5e-3,-0.1]})", R"({"b":"x\"y\u00e9"})", "true", "null"}},
      {R"({"a":1})", false, {}},
      {"[1,]", false, {}},
      {"[1] x", false, {}},
      {"[\"a\x01\"]", false, {}},
      {"[01.]", false, {}},
      {"[nan]", false, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> elements;
    std::string error;
    EXPECT_EQ(collector::SplitJsonArray(c.json, elements, error), c.ok) << c.json;
    if (c.ok) {
      EXPECT_EQ(elements, c.elements) << c.json;
    }
  }
  // Deep nesting is refused rather than followed.
  std::string deep = "[" + std::string(1000, '[') + std::string(1000, ']') + "]";
  std::vector<std::string> elements;
  std::string error;
  EXPECT_FALSE(collector::SplitJsonArray(deep, elements, error));
}

TEST(CollectorTest, MalformedUploadsAreAnswered400AndStoredNowhere) {
  testsupport::TempDir dir;
  collector::Options options;
  options.outPath = (dir / "records.jsonl").string();
  auto server = sdktest::StartCollector(options);
  httplib::Client client("127.0.0.1", server->port());
  std::string good;
  ASSERT_TRUE(analytics_sdk::EncodeUploadBody(R"([{"a":1},{"b":2}])", good));
  std::string notArray;
  ASSERT_TRUE(analytics_sdk::EncodeUploadBody(R"({"a":1})", notArray));
  const std::pair<std::string, int> bodies[] = {
      {"nothing", 400},
      {"data_list=%ZZ&gzip=1", 400},
      {"data_list=abc&gzip=1", 400},   // not Base64 of a whole group
      {"data_list=QUJD&gzip=1", 400},  // Base64 of "ABC", not gzip
      {notArray, 400},
      {good, 200},
  };
  for (const auto& [body, status] : bodies) {
    auto response = client.Post("/any/path?x=1", body, "application/x-www-form-urlencoded");
    ASSERT_TRUE(response) << body;
    EXPECT_EQ(response->status, status) << body;
  }
  EXPECT_EQ(testsupport::ReadFile(options.outPath), "{\"a\":1}\n{\"b\":2}\n");
}

TEST(CollectorTest, FailFirstRefusesTheFirstRequests) {
  collector::Options options;
  options.failFirst = 2;
  auto server = sdktest::StartCollector(options);
  httplib::Client client("127.0.0.1", server->port());
  std::string good;
  ASSERT_TRUE(analytics_sdk::EncodeUploadBody("[1]", good));
  std::vector<int> statuses;
  for (int i = 0; i < 3; ++i) statuses.push_back(client.Post("/", good, "application/x-www-form-urlencoded")->status);
  EXPECT_EQ(statuses, (std::vector<int>{500, 500, 200}));
  EXPECT_EQ(server->Records(), std::vector<std::string>{"1"});
}

TEST(CollectorTest, ProgramAnnouncesItsAddressAndStoresUploads) {
  testsupport::TempDir dir;
  const std::string out = (dir / "out.jsonl").string();
  const std::string command =
      std::string(MIRELO_COLLECTOR_PATH) + " --bind 127.0.0.1 --port 0 --out " + out + " & echo $! ; wait";
  // The program runs in a shell child; its first line tells where it listens.
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[256] = {0};
  ASSERT_NE(fgets(line, sizeof(line), pipe), nullptr);
  const int pid = std::atoi(line);
  ASSERT_NE(fgets(line, sizeof(line), pipe), nullptr);
  const std::string announced = line;
  const std::string head = "listening http://127.0.0.1:";
  ASSERT_EQ(announced.rfind(head, 0), 0u) << announced;
  ASSERT_EQ(announced.substr(announced.size() - 2), "/\n") << announced;
  const int port = std::atoi(announced.c_str() + head.size());
  ASSERT_GT(port, 0);
  analytics_sdk::HttpSender sender("http://127.0.0.1:" + std::to_string(port) + "/collect");
  EXPECT_TRUE(sender.send(R"([{"k":"v"}])"));
  kill(pid, SIGTERM);
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_EQ(testsupport::ReadFile(out), "{\"k\":\"v\"}\n");
}

}  // namespace
