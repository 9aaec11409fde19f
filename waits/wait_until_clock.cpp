#include "waits/wait_until_clock.h"

#include "app/outcome.h"
#include "console/console.h"
#include "waits/number.h"

namespace {

// The length, counted no further than the last position the parser reads.
int length_up_to_eight(const char* text) {
  int length = 0;
  while (length < 8 && text[length] != '\0') ++length;
  return length;
}

void set_two_digit_text(char* text, char tens, char units) {
  text[0] = tens;
  text[1] = units;
  text[2] = '\0';
}

// A single digit is padded with a "0" in front; the position after the
// field tells, being the end of the text.
void set_field_text(char* text, const char* field) {
  if (field[1] == '\0')
    set_two_digit_text(text, '0', field[0]);
  else
    set_two_digit_text(text, field[0], field[1]);
}

bool clock_shows(TimeOfDay now, const ClockTarget& target) {
  bool is_time_of_day = now.hour >= 0 && now.hour <= 23 && now.minute >= 0 && now.minute <= 59;
  return is_time_of_day && now.hour == target.hour && now.minute == target.minute;
}

}  // namespace

ClockTarget parse_clock_option(const char* option) {
  ClockTarget target = {"", "", 0, 0, false};
  int length = length_up_to_eight(option);
  if (length >= 6 && option[4] == ':') {
    // One-digit hour, as in /T:9:30.
    set_two_digit_text(target.hour_text, '0', option[3]);
    set_field_text(target.minute_text, option + 5);
  } else if (length >= 7) {
    // Two-digit hour, as in /T:14:30; any character separates at position 5.
    set_two_digit_text(target.hour_text, option[3], option[4]);
    set_field_text(target.minute_text, option + 6);
  } else {
    return target;
  }
  target.minute = convert_number(target.minute_text);
  target.hour = convert_number(target.hour_text);
  target.complete = true;
  return target;
}

int wait_until_clock(const char* option) {
  ClockTarget target = parse_clock_option(option);
  if (!target.complete) return STATUS_INVALID_OPTION;

  TimeOfDay now = local_time_of_day();
  console_begin_wait();
  console_print("Waiting until %s:%s...\n(press a key to exit early and return ERRORLEVEL 1)  ",
                target.hour_text, target.minute_text);
  while (!clock_shows(now, target) && !console_key_waiting()) {
    pause_one_second();
    now = local_time_of_day();
  }
  // A key waiting when the minute comes still counts as an early exit.
  int status = STATUS_DONE;
  if (console_key_waiting()) {
    console_print(EARLY_EXIT_TEXT);
    status = STATUS_EARLY_EXIT;
  }
  console_end_wait();
  return status;
}
