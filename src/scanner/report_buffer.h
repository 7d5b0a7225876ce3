// ReportBuffer formats recipient records into a fixed buffer and hands it to a
// ReportSink whenever it fills, so the report costs one sink write per 64 KiB
// rather than one formatted write per field. After the sink first fails, the
// buffer drops everything: the failure is reported once, at the end.
#ifndef RECIPSCAN_SCANNER_REPORT_BUFFER_H
#define RECIPSCAN_SCANNER_REPORT_BUFFER_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "scanner/scanner.h"

namespace recipscan {

class ReportBuffer {
 public:
  static constexpr std::size_t capacity = std::size_t{64} << 10;

  // The buffer is left uninitialised: only the bytes written are handed on.
  // cppcheck-suppress uninitMemberVar
  explicit ReportBuffer(ReportSink& sink) : sink_(sink) {}
  ReportBuffer(const ReportBuffer&) = delete;
  ReportBuffer& operator=(const ReportBuffer&) = delete;

  // record writes a whole record: the head with the |name_size|-byte name,
  // each of the |serial_size| serial bytes and the record end. |name_size| is
  // at most 79 and |serial_size| at most 20.
  void record(const std::uint8_t* name, std::size_t name_size,
              const std::uint8_t* serial, std::size_t serial_size);

  // head writes the record head: the |size|-byte name between double quotes,
  // then three spaces. |size| is at most 79.
  void head(const std::uint8_t* name, std::size_t size) {
    reserve(size + 5);
    used_ = static_cast<std::size_t>(put_head(buf_ + used_, name, size) - buf_);
  }

  // serial writes each of the |size| bytes at |bytes| as two upper-case hex
  // digits and a space.
  void serial(const std::uint8_t* bytes, std::size_t size);

  // end writes the record end, two newlines.
  void end() {
    reserve(2);
    buf_[used_++] = '\n';
    buf_[used_++] = '\n';
  }

  // flush hands what is buffered to the sink. It returns false if the sink has
  // failed, now or earlier.
  bool flush();

  // failed reports whether the sink has failed.
  bool failed() const { return failed_; }

 private:
  // put_head stores the record head at |out| and returns the end of it.
  static char* put_head(char* out, const std::uint8_t* name, std::size_t size) {
    out[0] = '"';
    std::memcpy(out + 1, name, size);
    out[size + 1] = '"';
    out[size + 2] = ' ';
    out[size + 3] = ' ';
    out[size + 4] = ' ';
    return out + size + 5;
  }

  void reserve(std::size_t size) {
    if (capacity - used_ < size) flush();
  }

  ReportSink& sink_;
  std::size_t used_ = 0;
  bool failed_ = false;
  char buf_[capacity];
};

}  // namespace recipscan

#endif  // RECIPSCAN_SCANNER_REPORT_BUFFER_H
