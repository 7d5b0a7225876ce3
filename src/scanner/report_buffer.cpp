#include "scanner/report_buffer.h"

#include <array>

namespace recipscan {
namespace {

// Each byte's three report characters, so a serial byte costs one copy rather
// than a formatted write.
constexpr std::array<std::array<char, 3>, 256> make_hex_table() {
  constexpr char digits[] = "0123456789ABCDEF";
  std::array<std::array<char, 3>, 256> table{};
  for (std::size_t i = 0; i < 256; ++i) {
    table[i] = {digits[i >> 4], digits[i & 15], ' '};
  }
  return table;
}

constexpr auto hex_table = make_hex_table();

}  // namespace

void ReportBuffer::serial(const std::uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    if (capacity - used_ < 3) flush();
    std::size_t room = (capacity - used_) / 3;
    std::size_t n = size < room ? size : room;
    char* out = buf_ + used_;
    for (std::size_t i = 0; i < n; ++i) {
      std::memcpy(out + 3 * i, hex_table[bytes[i]].data(), 3);
    }
    used_ += 3 * n;
    bytes += n;
    size -= n;
  }
}

bool ReportBuffer::flush() {
  if (used_ > 0 && !failed_ && !sink_.write(buf_, used_)) failed_ = true;
  used_ = 0;
  return !failed_;
}

}  // namespace recipscan
