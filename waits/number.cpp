#include "waits/number.h"

namespace {

bool is_white_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t convert_number(const char* text) {
  while (is_white_space(*text)) ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  // Accumulate in 64 bits and stop growing once past the 32-bit range, so
  // that no number of digits can overflow.
  const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  int64_t magnitude = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    if (magnitude <= limit) magnitude = magnitude * 10 + (*text - '0');
  }
  if (magnitude > limit) magnitude = limit;
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}
