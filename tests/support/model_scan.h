// A deliberately plain model of the recipient scan, one byte per step, written
// apart from the production scanner and sharing none of its code. Tests and
// the fuzzer hold the production report against this one.
#ifndef RECIPSCAN_TESTS_SUPPORT_MODEL_SCAN_H
#define RECIPSCAN_TESTS_SUPPORT_MODEL_SCAN_H

#include <cstdint>
#include <string>
#include <string_view>

namespace recipscan_test {

// model_report returns the records the scan writes for |input| (without the
// driver's leading blank line). A serial cut short by the end of input shows
// the bytes present, then the record end.
std::string model_report(std::string_view input);

}  // namespace recipscan_test

#endif  // RECIPSCAN_TESTS_SUPPORT_MODEL_SCAN_H
