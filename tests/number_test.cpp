#include "waits/number.h"

#include <gtest/gtest.h>

namespace {

struct Conversion {
  const char* text;
  int32_t value;
};

const Conversion conversions[] = {
    {"30", 30},
    {"   30", 30},
    {"30x", 30},
    {"abc", 0},
    {"", 0},
    {"-5", -5},
    {"+7", 7},
    {" \t\n\v\f\r 7", 7},
    {"--5", 0},
    {"- 5", 0},
    {"0007", 7},
    {"2147483647", 2147483647},
    {"2147483648", 2147483647},
    {"99999999999", 2147483647},
    {"-2147483648", INT32_MIN},
    {"-2147483649", INT32_MIN},
    {"-99999999999", INT32_MIN},
    {"123456789012345678901234567890", 2147483647},
};

TEST(NumberConversion, ReadsAsAtoiAndSaturatesOutsideThirtyTwoBits) {
  for (const Conversion& c : conversions)
    EXPECT_EQ(convert_number(c.text), c.value) << "text \"" << c.text << "\"";
}

}  // namespace
