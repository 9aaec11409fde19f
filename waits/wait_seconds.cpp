#include "waits/wait_seconds.h"

#include "app/outcome.h"
#include "console/console.h"
#include "waits/number.h"

int wait_seconds(char* option) {
  // The count starts at the fourth character; whatever stands in the first
  // three (the option and its separator) is blanked. A two-character option
  // has no third character, and its terminator must stay.
  for (int i = 0; i < 3 && option[i] != '\0'; ++i) option[i] = ' ';
  int32_t seconds = convert_number(option);

  // Only a wait that pauses needs keys from the terminal.
  if (seconds > 0) console_begin_wait();
  console_print("Waiting %i seconds...\n(press a key to exit early and return ERRORLEVEL 1)  ",
                seconds);
  int status = STATUS_DONE;
  for (int32_t i = 0; i < seconds; ++i) {
    pause_one_second();
    if (console_key_waiting()) {
      console_print(EARLY_EXIT_TEXT);
      status = STATUS_EARLY_EXIT;
      break;
    }
  }
  if (seconds > 0) console_end_wait();
  return status;
}
