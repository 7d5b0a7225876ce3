// make-bench-input: writes the benchmark inputs.
//   make-bench-input KIND SIZE_MIB PATH
// KIND is random (random bytes, what ciphertext looks like), records (the
// record 13 04 "Test" 02 03 01 02 03 back to back), names (79-character names
// with 20-byte serials) or tags (nothing but 0x13).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "inputs.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(
        stderr,
        "usage: make-bench-input random|records|names|tags SIZE_MIB PATH\n");
    return 2;
  }
  auto kind = recipscan_bench::input_kind(argv[1]);
  if (!kind) {
    std::fprintf(stderr, "unknown kind %s\n", argv[1]);
    return 2;
  }
  std::size_t size = std::strtoull(argv[2], nullptr, 10) << 20;
  std::FILE* out = std::fopen(argv[3], "wb");
  if (out == nullptr) return 1;
  std::string chunk = recipscan_bench::make_input(*kind, 1 << 20, 1);
  std::size_t written = 0;
  std::uint64_t seed = 1;
  while (written < size) {
    if (*kind == recipscan_bench::InputKind::random) {
      chunk = recipscan_bench::make_input(*kind, 1 << 20, seed++);
    }
    std::size_t n =
        size - written < chunk.size() ? size - written : chunk.size();
    if (std::fwrite(chunk.data(), 1, n, out) != n) return 1;
    written += n;
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
