#include "scanner/report_buffer.h"

#include <array>

namespace recipscan {
namespace {

// Each byte's three report characters, so a serial byte costs one copy rather
// than a formatted write.
// Entries are four bytes wide so that a record can store each whole; the
// fourth byte lands where the next field, or the record end, goes next.
constexpr std::array<std::array<char, 4>, 256> make_hex_table() {
  constexpr char digits[] = "0123456789ABCDEF";
  std::array<std::array<char, 4>, 256> table{};
  for (std::size_t i = 0; i < 256; ++i) {
    table[i] = {digits[i >> 4], digits[i & 15], ' ', '\n'};
  }
  return table;
}

constexpr auto hex_table = make_hex_table();

}  // namespace

void ReportBuffer::record(const std::uint8_t* name, std::size_t name_size,
                          const std::uint8_t* serial, std::size_t serial_size) {
  std::size_t size = name_size + 5 + 3 * serial_size + 2;
  reserve(size);
  char* out = put_head(buf_ + used_, name, name_size);
  for (std::size_t i = 0; i < serial_size; ++i) {
    std::memcpy(out + 3 * i, hex_table[serial[i]].data(), 4);
  }
  out += 3 * serial_size;
  out[0] = '\n';
  out[1] = '\n';
  used_ += size;
}

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
