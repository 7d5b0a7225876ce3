// Differential fuzz target: the production scanner, fed the input whole and
// split into blocks at places the input itself chooses, with every tag search
// this processor runs, must write exactly the report of the plain model.
// Any difference aborts.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "model_scan.h"
#include "scan_harness.h"

namespace {

[[noreturn]] void differ(const char* how, const std::string& expected,
                         const std::string& actual) {
  std::fprintf(stderr,
               "recipscan_fuzz: %s\nmodel:   %zu bytes\nscanner: %zu bytes\n",
               how, expected.size(), actual.size());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string expected = recipscan_test::model_report(input);

  // Block sizes from the first bytes, so the fuzzer can steer the splits.
  std::vector<std::size_t> blocks;
  for (std::size_t i = 0; i < size && i < 4; ++i)
    blocks.push_back(data[i] % 97 + 1);

  for (auto search : recipscan_test::available_searches()) {
    if (recipscan_test::machine_report(input, {}, search) != expected) {
      differ("whole input", expected,
             recipscan_test::machine_report(input, {}, search));
    }
    std::string split = recipscan_test::machine_report(input, blocks, search);
    if (split != expected) differ("split input", expected, split);
  }

  // And through the public entry point, one byte per block.
  recipscan_test::MemorySource source(input, {1});
  recipscan_test::StringSink sink;
  if (recipscan::scan_recipients(source, sink) != recipscan::ScanStatus::ok ||
      sink.text != expected) {
    differ("scan_recipients", expected, sink.text);
  }
  return 0;
}
