// The recipient scanner: finds every place in a byte stream where a DER
// PrintableString of 1 to 79 printable characters is directly followed by an
// INTEGER of 1 to 20 bytes, and writes one report record for each, in file
// order, while it reads. In an enveloped CMS / PKCS #7 message that junction is
// the end of a recipient's issuer name and the start of its certificate serial.
//
// The scan is one forward pass: every input byte is examined exactly once, in
// the role its place in the pattern gives it, and never again. Input arrives in
// blocks through a ByteSource and the report leaves in chunks through a
// ReportSink; neither side needs memory that grows with the input.
#ifndef RECIPSCAN_SCANNER_SCANNER_H
#define RECIPSCAN_SCANNER_SCANNER_H

#include <cstddef>
#include <cstdint>

namespace recipscan {

// BlockConsumer receives the input, block by block, in file order.
class BlockConsumer {
 public:
  // consume is called with the next |size| bytes of input at |data|; the bytes
  // stay valid only for the duration of the call. |size| is never zero.
  virtual void consume(const std::uint8_t* data, std::size_t size) = 0;

 protected:
  ~BlockConsumer() = default;
};

// ByteSource is an input that can be read once, from where it stands to its
// end, in blocks of whatever size suits it.
class ByteSource {
 public:
  // read_all hands every remaining byte to |consumer| in order. It returns true
  // at end of input and false if a read failed part-way; blocks handed over
  // before a failure are genuine input.
  virtual bool read_all(BlockConsumer& consumer) = 0;

 protected:
  ~ByteSource() = default;
};

// ReportSink takes the report's bytes in order.
class ReportSink {
 public:
  // write takes |size| bytes at |data|. It returns false if they could not all
  // be written; the caller stops writing after the first failure.
  virtual bool write(const char* data, std::size_t size) = 0;

 protected:
  ~ReportSink() = default;
};

enum class ScanStatus {
  ok,           // the input was scanned to its end and the report written
  read_error,   // a read failed part-way; the records before it were written
  write_error,  // the report could not be written in full
};

// scan_recipients scans |input| to its end and writes a record to |report| for
// every occurrence of the recipient pattern. A write failure takes precedence
// over a read failure in the result, since the report is then incomplete in
// any case. |input| is never repositioned or closed.
ScanStatus scan_recipients(ByteSource& input, ReportSink& report);

}  // namespace recipscan

#endif  // RECIPSCAN_SCANNER_SCANNER_H
