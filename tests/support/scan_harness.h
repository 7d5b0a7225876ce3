// Runs the production scanner over in-memory input, handed over in blocks of
// chosen sizes, and collects the report, so tests and the fuzzer can check
// that the report does not depend on where the input is split.
#ifndef RECIPSCAN_TESTS_SUPPORT_SCAN_HARNESS_H
#define RECIPSCAN_TESTS_SUPPORT_SCAN_HARNESS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/recipient_machine.h"
#include "scanner/report_buffer.h"
#include "scanner/scanner.h"

namespace recipscan_test {

// Hands |input| over in blocks of the sizes in |blocks|, in turn, repeating
// the last; a read failure can be set to follow the first |fail_after| bytes.
class MemorySource final : public recipscan::ByteSource {
 public:
  MemorySource(std::string_view input, std::vector<std::size_t> blocks)
      : input_(input), blocks_(std::move(blocks)) {}

  void fail_after(std::size_t bytes) { fail_after_ = bytes; }

  bool read_all(recipscan::BlockConsumer& consumer) override {
    std::size_t at = 0;
    std::size_t turn = 0;
    std::size_t end = fail_after_ < input_.size() ? fail_after_ : input_.size();
    while (at < end) {
      std::size_t size = blocks_.empty() ? end : blocks_[turn];
      if (turn + 1 < blocks_.size()) ++turn;
      if (size == 0 || size > end - at) size = end - at;
      consumer.consume(
          reinterpret_cast<const std::uint8_t*>(input_.data()) + at, size);
      at += size;
    }
    return fail_after_ >= input_.size();
  }

 private:
  std::string_view input_;
  std::vector<std::size_t> blocks_;
  std::size_t fail_after_ = static_cast<std::size_t>(-1);
};

// Collects the report; can be set to fail from its |fail_at|-th write on.
class StringSink final : public recipscan::ReportSink {
 public:
  bool write(const char* data, std::size_t size) override {
    if (writes_++ >= fail_at_) return false;
    text.append(data, size);
    return true;
  }
  void fail_at(std::size_t write) { fail_at_ = write; }

  std::string text;

 private:
  std::size_t writes_ = 0;
  std::size_t fail_at_ = static_cast<std::size_t>(-1);
};

// The report of a RecipientMachine using |search|, fed |input| in blocks of
// the sizes in |blocks| (the last repeating; empty means one block).
inline std::string machine_report(std::string_view input,
                                  const std::vector<std::size_t>& blocks,
                                  recipscan::RecipientMachine::Search search) {
  class Feeder final : public recipscan::BlockConsumer {
   public:
    Feeder(recipscan::RecipientMachine& machine, recipscan::ReportBuffer& out)
        : machine_(machine), out_(out) {}
    void consume(const std::uint8_t* data, std::size_t size) override {
      machine_.feed(data, size, out_);
    }

   private:
    recipscan::RecipientMachine& machine_;
    recipscan::ReportBuffer& out_;
  };
  StringSink sink;
  {
    recipscan::ReportBuffer out(sink);
    recipscan::RecipientMachine machine(search);
    Feeder feeder(machine, out);
    MemorySource(input, blocks).read_all(feeder);
    machine.finish(out);
    out.flush();
  }
  return sink.text;
}

// Every search this processor runs.
inline std::vector<recipscan::RecipientMachine::Search> available_searches() {
  using Search = recipscan::RecipientMachine::Search;
  const Search all[] = {Search::portable, Search::sse2, Search::avx2};
  std::vector<Search> searches;
  std::copy_if(std::begin(all), std::end(all), std::back_inserter(searches),
               recipscan::RecipientMachine::available);
  return searches;
}

}  // namespace recipscan_test

#endif  // RECIPSCAN_TESTS_SUPPORT_SCAN_HARNESS_H
