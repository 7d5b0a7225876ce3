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

  bool write(const char* data, std::size_t size) override {
    return std::fwrite(data, 1, size, stream_) == size;
  }

 private:
  std::FILE* stream_;
};

}  // namespace recipscan

#endif  // RECIPSCAN_IO_STDIO_SINK_H
