// RecipientMachine recognises the recipient pattern in input that arrives in
// blocks of any size. It keeps its place in the pattern between blocks, so a
// record may straddle any block boundary, and the report it writes is the same
// however the input is split: byte for byte what reading one byte at a time
// would give.
//
// The pattern, in input order: the tag 0x13; a name length L of 1 to 79; L
// name bytes, each 0x20 to 0x7E; the tag 0x02; a serial length N of 1 to 20;
// N serial bytes of any value. A byte that breaks the pattern is consumed, and
// the search for 0x13 resumes with the byte after it.
#ifndef RECIPSCAN_SCANNER_RECIPIENT_MACHINE_H
#define RECIPSCAN_SCANNER_RECIPIENT_MACHINE_H

#include <cstddef>
#include <cstdint>

#include "scanner/report_buffer.h"

namespace recipscan {

class RecipientMachine {
 public:
  static constexpr std::uint8_t name_tag = 0x13;
  static constexpr std::uint8_t serial_tag = 0x02;
  static constexpr std::size_t max_name = 79;
  static constexpr std::size_t max_serial = 20;

  // The ways of searching for the name tag. They differ only in speed; best
  // is the fastest this processor runs, and the others exist so that tests
  // can hold each one against the rest.
  enum class Search : std::uint8_t { best, portable, sse2, avx2 };

  // available reports whether |search| runs on this processor.
  static bool available(Search search);

  // A machine that uses |search|, which must be available.
  explicit RecipientMachine(Search search = Search::best);

  // feed examines the |size| bytes at |data|, which follow every byte fed
  // before, and writes a record piece to |out| as soon as it is complete.
  void feed(const std::uint8_t* data, std::size_t size, ReportBuffer& out);

  // finish marks the end of input. A record whose serial was cut short gets
  // its record end, so the report never ends in a half line; any other
  // unfinished candidate leaves no trace.
  void finish(ReportBuffer& out);

 private:
  enum class Step : std::uint8_t {
    tag,
    name_length,
    name,
    serial_tag,
    serial_length,
    serial,
  };

  using FeedFunction = void (*)(RecipientMachine&, const std::uint8_t*,
                                std::size_t, ReportBuffer&);

  FeedFunction feed_;
  Step step_ = Step::tag;
  std::uint8_t name_length_ = 0;  // L of the current candidate
  std::uint8_t stored_ = 0;       // name bytes stored so far
  std::uint8_t serial_left_ = 0;  // serial bytes still to come
  std::uint8_t name_[max_name] = {};

  template <class Finder>
  friend void feed_with(RecipientMachine& machine, const std::uint8_t* data,
                        std::size_t size, ReportBuffer& out);
};

}  // namespace recipscan

#endif  // RECIPSCAN_SCANNER_RECIPIENT_MACHINE_H
