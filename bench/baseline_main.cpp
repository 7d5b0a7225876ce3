// recipscan-baseline: the baseline scan as a command, for timing whole runs.
#include <cstdio>

#include "baseline.h"

int main(int argc, char** argv) {
  if (argc < 2) return -1;
  std::FILE* in = std::fopen(argv[1], "rb");
  if (in == nullptr) return -2;
  std::putchar('\n');
  recipscan_bench::baseline_scan(in, stdout);
  std::fclose(in);
  return 0;
}
