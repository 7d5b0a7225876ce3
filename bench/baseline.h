// The one-byte-per-read baseline scan the benchmarks measure against.
#ifndef RECIPSCAN_BENCH_BASELINE_H
#define RECIPSCAN_BENCH_BASELINE_H

#include <cstdio>

namespace recipscan_bench {

// baseline_scan writes the report of |in| to |out|, one getc per byte.
void baseline_scan(std::FILE* in, std::FILE* out);

}  // namespace recipscan_bench

#endif  // RECIPSCAN_BENCH_BASELINE_H
