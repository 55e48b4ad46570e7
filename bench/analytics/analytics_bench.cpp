// Throughput of the analytics core: assembling records, encoding batches, and
// the whole path of 1024 records to a collection service on 127.0.0.1.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "analytics/sdk/http_sender.h"
#include "analytics/sdk/sdk.h"
#include "collector.h"
#include "platform/files.h"
#include "platform/utf.h"

namespace {

using analytics_sdk::PropertiesNode;
using analytics_sdk::Sdk;

constexpr int kRecords = 1024;

std::string StagingPath() { return platform::WideToUtf8(platform::TempPath()) + "mirelo-analytics-bench-staging.txt"; }

PropertiesNode TypicalProperties(int i) {
  PropertiesNode p;
  p.SetString("tz_task_name", "大包下载完毕");
  p.SetString("tz_reason", "1.code=0; 2.msg=ok");
  p.SetNumber("tz_task_elapsed", 12.5 + i);
  p.SetString("tz_task_result", "Success");
  p.SetString("tzc_ab", "IN");
  p.SetBoolean("$is_first_time", true);
  return p;
}

void RegisterTypicalSuper() {
  PropertiesNode super;
  super.SetString("tz_app_id", "Mirelo Studio.downloader");
  super.SetString("$app_version", "1.7.9");
  super.SetString("tz_app_store", "setup_abc.exe");
  super.SetString("tz_edition", "china");
  super.SetString("tz_app_platform", "Windows");
  super.SetString("$os", "Linux");
  super.SetString("$os_version", "6.1.0");
  super.SetInteger("$screen_width", int32_t{1920});
  super.SetInteger("$screen_height", int32_t{1080});
  Sdk::RegisterSuperProperties(super);
}

// 1024 records assembled, queued, encoded and posted (35 requests) to the collector.
void BM_TrackAndSend1024(benchmark::State& state) {
  collector::Options options;
  collector::Collector server(options);
  std::string error;
  if (!server.Start(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) {
    std::filesystem::remove(StagingPath());
    Sdk::Init(StagingPath(), server.url(), "BENCH-DISTINCT-ID", false);
    RegisterTypicalSuper();
    for (int i = 0; i < kRecords; ++i) Sdk::Track("TzEventTask", TypicalProperties(i));
    if (!Sdk::Flush()) state.SkipWithError("flush failed");
    Sdk::Shutdown();
  }
  state.counters["records/s"] = benchmark::Counter(double(kRecords) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["requests"] = server.RequestCount();
  std::filesystem::remove(StagingPath());
}
BENCHMARK(BM_TrackAndSend1024)->Unit(benchmark::kMillisecond)->UseRealTime();

// Assembly and queueing alone.
void BM_Assemble1024(benchmark::State& state) {
  for (auto _ : state) {
    Sdk::Init(StagingPath(), "", "BENCH-DISTINCT-ID", false);
    RegisterTypicalSuper();
    for (int i = 0; i < kRecords; ++i) Sdk::Track("TzEventTask", TypicalProperties(i));
    Sdk::Shutdown();
    std::filesystem::remove(StagingPath());
  }
  state.counters["records/s"] = benchmark::Counter(double(kRecords) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Assemble1024)->Unit(benchmark::kMillisecond);

// Encoding of one full batch of 30 records (gzip level 9, Base64, URL-encoding).
void BM_EncodeBatch30(benchmark::State& state) {
  std::filesystem::remove(StagingPath());
  Sdk::Init(StagingPath(), "", "BENCH-DISTINCT-ID", false);
  RegisterTypicalSuper();
  for (int i = 0; i < 30; ++i) Sdk::Track("TzEventTask", TypicalProperties(i));
  std::string payload = "[";
  for (const std::string& r : Sdk::QueuedRecords()) payload += (payload.size() > 1 ? "," : "") + r;
  payload += "]";
  Sdk::Shutdown();
  std::filesystem::remove(StagingPath());
  std::string body;
  for (auto _ : state) {
    analytics_sdk::EncodeUploadBody(payload, body);
    benchmark::DoNotOptimize(body);
  }
  state.SetBytesProcessed(int64_t(payload.size()) * state.iterations());
  state.counters["body_bytes"] = double(body.size());
  state.counters["payload_bytes"] = double(payload.size());
}
BENCHMARK(BM_EncodeBatch30);

}  // namespace

BENCHMARK_MAIN();
