// The example record the tests plant in their inputs, and its report line.
#ifndef RECIPSCAN_TESTS_SUPPORT_TEST_RECORD_H
#define RECIPSCAN_TESTS_SUPPORT_TEST_RECORD_H

#include <string>

namespace recipscan_test {

// 13 04 "Test" 02 03 01 02 03: the name Test and the serial 01 02 03.
inline const std::string test_record =
    std::string("\x13\x04Test\x02\x03\x01\x02\x03", 11);
inline const std::string test_report = "\"Test\"   01 02 03 \n\n";

}  // namespace recipscan_test

#endif  // RECIPSCAN_TESTS_SUPPORT_TEST_RECORD_H
