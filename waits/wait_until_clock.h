#ifndef KELVARN_WAITS_WAIT_UNTIL_CLOCK_H
#define KELVARN_WAITS_WAIT_UNTIL_CLOCK_H

#include <cstdint>

// The /T:hh:mm option as read from its fixed positions. The texts are what
// the waiting message shows, the numbers what the clock is compared with.
struct ClockTarget {
  char hour_text[3];
  char minute_text[3];
  int32_t hour;
  int32_t minute;
  // False when the option ends before the positions that are read; the
  // other fields are then empty texts and zeros.
  bool complete;
};

ClockTarget parse_clock_option(const char* option);

// The /T:hh:mm option: pauses until the local clock shows that hour and
// minute, looking once a second, and stops early when a key is waiting.
// Returns STATUS_DONE, STATUS_EARLY_EXIT, or STATUS_INVALID_OPTION for an
// option too short to read.
int wait_until_clock(const char* option);

#endif
