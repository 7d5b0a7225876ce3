// Throughput of the scanner, in memory, on the four benchmark inputs, beside
// the one-byte-per-read baseline on the same bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

#include "baseline.h"
#include "inputs.h"
#include "scanner/recipient_machine.h"
#include "scanner/scanner.h"

namespace {

using recipscan_bench::InputKind;

constexpr std::size_t input_size = 64 << 20;
// The size of the blocks the scanner is fed, as the mapped window hands them.
constexpr std::size_t block_size = 2 << 20;

const std::string& input(InputKind kind) {
  static std::map<InputKind, std::string> inputs;
  auto it = inputs.find(kind);
  if (it == inputs.end()) {
    it = inputs.emplace(kind, recipscan_bench::make_input(kind, input_size, 1))
             .first;
  }
  return it->second;
}

class BlockSource final : public recipscan::ByteSource {
 public:
  explicit BlockSource(const std::string& data) : data_(data) {}
  bool read_all(recipscan::BlockConsumer& consumer) override {
    const auto* p = reinterpret_cast<const std::uint8_t*>(data_.data());
    for (std::size_t at = 0; at < data_.size(); at += block_size) {
      consumer.consume(p + at, std::min(block_size, data_.size() - at));
    }
    return true;
  }

 private:
  const std::string& data_;
};

class CountingSink final : public recipscan::ReportSink {
 public:
  bool write(const char* data, std::size_t size) override {
    benchmark::DoNotOptimize(data);
    bytes += size;
    return true;
  }
  std::size_t bytes = 0;
};

void BM_Scan(benchmark::State& state, InputKind kind) {
  const std::string& data = input(kind);
  std::size_t report = 0;
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    BlockSource source(data);
    CountingSink sink;
    recipscan::scan_recipients(source, sink);
    report = sink.bytes;
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * data.size()));
  state.counters["report_bytes"] = static_cast<double>(report);
}

void BM_Baseline(benchmark::State& state, InputKind kind) {
  const std::string& data = input(kind);
  std::FILE* out = std::fopen("/dev/null", "w");
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    std::FILE* in = fmemopen(const_cast<char*>(data.data()), data.size(), "rb");
    recipscan_bench::baseline_scan(in, out);
    std::fclose(in);
  }
  std::fclose(out);
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * data.size()));
}

}  // namespace

BENCHMARK_CAPTURE(BM_Scan, random, InputKind::random)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scan, records, InputKind::records)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scan, names, InputKind::names)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Scan, tags, InputKind::tags)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Baseline, random, InputKind::random)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Baseline, records, InputKind::records)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Baseline, names, InputKind::names)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Baseline, tags, InputKind::tags)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
