#include "tests/fake_console.h"

#include <cstdarg>
#include <cstdio>

namespace fake_console {

std::string events;
std::string output;
int pauses = 0;

namespace {
Script current;
}

void reset(const Script& script) {
  current = script;
  events.clear();
  output.clear();
  pauses = 0;
}

}  // namespace fake_console

using namespace fake_console;

void console_open() {}

void console_print(const char* format, ...) {
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  output += text;
  events += 'o';
}

bool console_key_waiting() {
  events += 'k';
  return current.key_after_pauses >= 0 && pauses >= current.key_after_pauses;
}

void pause_one_second() {
  events += 'p';
  ++pauses;
}

TimeOfDay local_time_of_day() {
  events += 'c';
  if (current.start_second_of_day < 0) return {-1, -1};
  int second = (current.start_second_of_day + pauses) % 86400;
  return {second / 3600, second / 60 % 60};
}

void console_begin_wait() { events += 'b'; }
void console_end_wait() { events += 'e'; }
