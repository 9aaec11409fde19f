// Console services on a Windows console.
//
// Keys are read from the console's own input ("CONIN$"), not from standard
// input, so that a script whose input comes from a file or a pipe can still
// be cut short at the keyboard. The input queue is only ever peeked: a key
// that ends a wait stays there for whatever runs next, as it would on a
// terminal.

#include "console/console.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>

namespace {

HANDLE console_input = INVALID_HANDLE_VALUE;
bool output_is_console = false;
char output_buffer[4096];

// Enough for what a person types within a second; a longer queue (a paste,
// a burst of mouse moves) is peeked through a buffer from the heap.
const DWORD static_record_count = 128;
INPUT_RECORD static_records[static_record_count];

bool is_valid(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// Keys that give no character but that a person presses to mean "go on":
// function keys and the cursor and editing block. Modifiers and lock keys
// alone are left out so that reaching for Ctrl or Shift does not end a wait.
bool is_extended_key(WORD virtual_key) {
  if (virtual_key >= VK_F1 && virtual_key <= VK_F12) return true;
  switch (virtual_key) {
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE:
      return true;
    default:
      return false;
  }
}

bool is_key_press(const INPUT_RECORD& record) {
  if (record.EventType != KEY_EVENT) return false;
  const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
  if (!key.bKeyDown) return false;
  return key.uChar.AsciiChar != 0 || is_extended_key(key.wVirtualKeyCode);
}

bool any_key_press(const INPUT_RECORD* records, DWORD count) {
  for (DWORD i = 0; i < count; ++i)
    if (is_key_press(records[i])) return true;
  return false;
}

}  // namespace

void console_open() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  output_is_console = is_valid(output) && GetFileType(output) == FILE_TYPE_CHAR;
  // The texts end lines with "\n"; a Windows reader expects "\r\n", which
  // the C runtime's text mode writes. A process started without standard
  // output has no descriptor to set.
  if (is_valid(output)) _setmode(_fileno(stdout), _O_TEXT);
  setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer);

  // Absent for a scheduled task or a detached process: no key is ever
  // waiting then, and every wait runs its full course.
  console_input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
}

void console_print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vprintf(format, arguments);
  va_end(arguments);
  if (output_is_console) fflush(stdout);
}

bool console_key_waiting() {
  if (!is_valid(console_input)) return false;
  DWORD queued = 0;
  if (!GetNumberOfConsoleInputEvents(console_input, &queued) || queued == 0)
    return false;

  // A peek always starts at the head of the queue, so the whole queue must
  // be taken in one call for a key behind other events to be seen.
  INPUT_RECORD* records = static_records;
  DWORD capacity = static_record_count;
  if (queued > static_record_count && queued <= SIZE_MAX / sizeof(INPUT_RECORD)) {
    auto* from_heap =
        static_cast<INPUT_RECORD*>(std::malloc(queued * sizeof(INPUT_RECORD)));
    // Without the memory, the head of the queue is still worth a look.
    if (from_heap != nullptr) {
      records = from_heap;
      capacity = queued;
    }
  }

  DWORD peeked = 0;
  bool found = PeekConsoleInputA(console_input, records, capacity, &peeked) &&
               any_key_press(records, peeked);
  if (records != static_records) std::free(records);
  return found;
}

void pause_one_second() { Sleep(1000); }

TimeOfDay local_time_of_day() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  TimeOfDay result = {now.wHour, now.wMinute};
  return result;
}

// A Windows console reports single keys in its input queue whatever its
// mode, and echoes nothing that is not read: there is nothing to change.
void console_begin_wait() {}

void console_end_wait() {}
