// The literal scan, kept as the yardstick for the benchmarks: one getc per
// byte and one printf per field, as the recipient scan reads when written
// most plainly. Built -O2 as a program of its own, recipscan-baseline, and
// as a function the throughput benchmarks call.
#include "baseline.h"

namespace recipscan_bench {

void baseline_scan(std::FILE* in, std::FILE* out) {
  char name[80];
  for (;;) {
    int c = getc(in);
    if (c == EOF) return;
    if (c != 0x13) continue;
    int length = getc(in);
    if (length == EOF || length < 1 || length > 79) continue;
    int stored = 0;
    while (stored < length) {
      c = getc(in);
      if (c < 0x20 || c > 0x7E) break;
      name[stored++] = static_cast<char>(c);
    }
    if (stored < length) continue;
    name[stored] = '\0';
    if (getc(in) != 0x02) continue;
    int serial = getc(in);
    if (serial == EOF || serial < 1 || serial > 20) continue;
    std::fprintf(out, "\"%s\"   ", name);
    for (int i = 0; i < serial; ++i)
      std::fprintf(out, "%02X ", getc(in) & 0xFF);
    std::fprintf(out, "\n\n");
  }
}

}  // namespace recipscan_bench
