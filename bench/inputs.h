// The benchmark inputs, made the same way for the in-memory benchmarks and for
// the files that bench/compare.sh times the tools on.
#ifndef RECIPSCAN_BENCH_INPUTS_H
#define RECIPSCAN_BENCH_INPUTS_H

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace recipscan_bench {

enum class InputKind { random, records, names, tags };

inline std::optional<InputKind> input_kind(std::string_view name) {
  if (name == "random") return InputKind::random;
  if (name == "records") return InputKind::records;
  if (name == "names") return InputKind::names;
  if (name == "tags") return InputKind::tags;
  return std::nullopt;
}

// make_input returns |size| bytes of the kind asked for. The record kinds
// repeat whole records, so a size that is a multiple of 1 MiB still ends in
// the middle of one, as a real file may.
inline std::string make_input(InputKind kind, std::size_t size,
                              std::uint64_t seed) {
  std::string unit;
  switch (kind) {
    case InputKind::random: {
      std::string s(size, '\0');
      std::mt19937_64 rng(seed);
      for (std::size_t i = 0; i + 8 <= size; i += 8) {
        std::uint64_t v = rng();
        for (int k = 0; k < 8; ++k) s[i + k] = static_cast<char>(v >> (8 * k));
      }
      return s;
    }
    case InputKind::records:
      unit = std::string("\x13\x04Test\x02\x03\x01\x02\x03", 11);
      break;
    case InputKind::names:
      unit = std::string("\x13\x4F", 2) + std::string(79, 'N') +
             std::string("\x02\x14", 2) +
             std::string(
                 "\x01\x23\x45\x67\x89\xAB\xCD\xEF\x00\xFF\x01\x23\x45\x67\x89"
                 "\xAB\xCD\xEF\x00\xFF",
                 20);
      break;
    case InputKind::tags:
      return {std::string(size, '\x13')};
  }
  std::string s;
  s.reserve(size + unit.size());
  while (s.size() < size) s += unit;
  s.resize(size);
  return s;
}

}  // namespace recipscan_bench

#endif  // RECIPSCAN_BENCH_INPUTS_H
