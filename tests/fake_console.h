// A console for the tests of the wait logic: keys come from a script, pauses
// are counted and take no time, the clock is set, and output is recorded.
#ifndef KELVARN_TESTS_FAKE_CONSOLE_H
#define KELVARN_TESTS_FAKE_CONSOLE_H

#include <string>

#include "console/console.h"

namespace fake_console {

struct Script {
  // A key is waiting once this many pauses have passed; -1 for never.
  int key_after_pauses = -1;
  // The local clock at the start, in seconds after midnight; each pause
  // moves it on by one second. -1 for a clock that cannot be read.
  int start_second_of_day = 0;
};

// Everything the wait logic did, in order: 'b' begin wait, 'e' end wait,
// 'o' print, 'p' pause, 'k' key test, 'c' clock read.
extern std::string events;
extern std::string output;
extern int pauses;

void reset(const Script& script);

}  // namespace fake_console

#endif
