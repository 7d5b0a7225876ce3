// recipscan: lists the certificates an encrypted message was encrypted for.
// The driver: takes the message path from the command line, opens it, frames
// the report, runs the scan and turns the outcome into the exit status.
#include <cstdio>

#include "io/input_file.h"
#include "io/stdio_sink.h"
#include "scanner/scanner.h"

namespace {

// Exit statuses; with eight bits kept they read 255, 254, 253 and 252.
constexpr int status_usage = -1;
constexpr int status_open_error = -2;
constexpr int status_read_error = -3;
constexpr int status_write_error = -4;

// Standard output is checked once, at the end of the report: a report that
// did not reach it in full must not end in success.
int finish(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    return status_write_error;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    // Some platforms start a program with no invocation name, or an empty one.
    const char* name = argc > 0 && argv[0] != nullptr && argv[0][0] != '\0'
                           ? argv[0]
                           : "recipscan";
    std::printf(
        "usage: %s  message.msg\n\nscans encrypted message to find "
        "certificate serial numbers it was encrypted for\n",
        name);
    std::fflush(stdout);
    return status_usage;
  }
  const char* path = argv[1];
  recipscan::InputFile input;
  if (!input.open(path)) {
    std::printf("error opening %s\n", path);
    std::fflush(stdout);
    return status_open_error;
  }
  std::fputc('\n', stdout);
  recipscan::StdioSink report(stdout);
  switch (recipscan::scan_recipients(input, report)) {
    case recipscan::ScanStatus::ok:
      return finish(0);
    case recipscan::ScanStatus::read_error:
      std::printf("error reading %s\n", path);
      return finish(status_read_error);
    case recipscan::ScanStatus::write_error:
      break;
  }
  finish(0);
  return status_write_error;
}
