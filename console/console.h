// The console services the wait logic relies on. Each platform provides one
// implementation of this header; the tests provide a fake one.
#ifndef KELVARN_CONSOLE_CONSOLE_H
#define KELVARN_CONSOLE_CONSOLE_H

#if defined(__GNUC__) || defined(__clang__)
#define KELVARN_PRINTF_FORMAT __attribute__((format(printf, 1, 2)))
#else
#define KELVARN_PRINTF_FORMAT
#endif

// Hour and minute of the local wall clock. A clock that cannot be read gives
// values outside 0-23 and 0-59, which no wait treats as a time of day.
struct TimeOfDay {
  int hour;
  int minute;
};

// Called once before anything else: finds the console and sets up standard
// output. Never fails; a missing console only means no key is ever waiting.
void console_open();

// Formats as printf and writes to standard output. On a terminal the text is
// shown when the call returns; otherwise it may be buffered until the end.
void console_print(const char* format, ...) KELVARN_PRINTF_FORMAT;

// True when a key is waiting on the console. The key is left where it is.
bool console_key_waiting();

// Suspends the process for one second; a signal never shortens it.
void pause_one_second();

TimeOfDay local_time_of_day();

// Bracket a wait that pauses: the console is made to report single keys
// without echoing them, and is put back as it was afterwards.
void console_begin_wait();
void console_end_wait();

#endif
