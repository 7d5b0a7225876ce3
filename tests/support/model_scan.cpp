#include "model_scan.h"

#include <cstdio>

namespace recipscan_test {
namespace {

constexpr int end_of_input = -1;

class Reader {
 public:
  explicit Reader(std::string_view input) : input_(input) {}
  int read() {
    if (at_ == input_.size()) return end_of_input;
    return static_cast<unsigned char>(input_[at_++]);
  }

 private:
  std::string_view input_;
  std::size_t at_ = 0;
};

}  // namespace

std::string model_report(std::string_view input) {
  Reader in(input);
  std::string report;
  for (;;) {
    int c = in.read();
    if (c == end_of_input) return report;
    if (c != 0x13) continue;
    int name_length = in.read();
    if (name_length < 1 || name_length > 79) continue;
    std::string name;
    while (static_cast<int>(name.size()) < name_length) {
      c = in.read();
      if (c < 0x20 || c > 0x7E) break;
      name += static_cast<char>(c);
    }
    if (static_cast<int>(name.size()) < name_length) continue;
    if (in.read() != 0x02) continue;
    int serial_length = in.read();
    if (serial_length < 1 || serial_length > 20) continue;
    report += "\"" + name + "\"   ";
    for (int i = 0; i < serial_length; ++i) {
      c = in.read();
      if (c == end_of_input) break;
      char field[4];
      std::snprintf(field, sizeof field, "%02X ", c);
      report += field;
    }
    report += "\n\n";
  }
}

}  // namespace recipscan_test
