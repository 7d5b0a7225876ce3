// StdioSink writes the report to a C stream, normally standard output, so the
// report shares one stream, and one order, with the tool's other messages. On
// platforms whose text streams end lines in CR LF, the stream adds the CR.
#ifndef RECIPSCAN_IO_STDIO_SINK_H
#define RECIPSCAN_IO_STDIO_SINK_H

#include <cstdio>

#include "scanner/scanner.h"

namespace recipscan {

class StdioSink final : public ReportSink {
 public:
  explicit StdioSink(std::FILE* stream) : stream_(stream) {}

  // The report arrives in chunks that are worth a write each, and pushing
  // each one through at once lets a long scan show its records as it goes.
  // The stream's error state is checked once, at the end, by the driver.
  bool write(const char* data, std::size_t size) override {
    bool written = std::fwrite(data, 1, size, stream_) == size;
    std::fflush(stream_);
    return written;
  }

 private:
  std::FILE* stream_;
};

}  // namespace recipscan

#endif  // RECIPSCAN_IO_STDIO_SINK_H
