// Puts console input events into this console's input queue, runs a program
// on the same console, and returns that program's exit status.
//
//   inject_keys [--input=FILE] EVENTS PROGRAM [ARGUMENT...]
//
// With --input, the program's standard input is FILE while ours stays the
// console: Wine only gives a process started from Linux a console when its
// standard input is the terminal.
//
// EVENTS is a comma-separated list, put in the queue in that order ("none"
// for an empty queue): a letter or digit presses that key; "release-X"
// releases it; "shift", "ctrl", "alt", "capslock", "numlock", "scrolllock"
// press a modifier or lock key alone; "f1".."f12", "left", "right", "up",
// "down", "home", "end", "pageup", "pagedown", "insert", "delete" press a
// key that gives no character, "shift+" in front holds Shift with it;
// "mouse", "focus", "menu" and "size" are the other kinds of event. A
// "*N" after an event repeats it N times.
//
// Once the program has ended, a line on standard error tells whether the
// events are still at the head of the queue, untouched:
//   inject_keys: injected N, queued M, intact yes|no
// Standard output is left to the program. A failure of this tool itself
// returns 100 or more, which the program never does.

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

const int exit_usage = 100;
const int exit_console = 101;
const int exit_start = 102;

struct NamedKey {
  const char* name;
  WORD virtual_key;
  DWORD control_state;
};

const NamedKey lone_keys[] = {
    {"shift", VK_SHIFT, SHIFT_PRESSED},
    {"ctrl", VK_CONTROL, LEFT_CTRL_PRESSED},
    {"alt", VK_MENU, LEFT_ALT_PRESSED},
    {"capslock", VK_CAPITAL, CAPSLOCK_ON},
    {"numlock", VK_NUMLOCK, NUMLOCK_ON | ENHANCED_KEY},
    {"scrolllock", VK_SCROLL, SCROLLLOCK_ON},
    {"left", VK_LEFT, ENHANCED_KEY},
    {"right", VK_RIGHT, ENHANCED_KEY},
    {"up", VK_UP, ENHANCED_KEY},
    {"down", VK_DOWN, ENHANCED_KEY},
    {"home", VK_HOME, ENHANCED_KEY},
    {"end", VK_END, ENHANCED_KEY},
    {"pageup", VK_PRIOR, ENHANCED_KEY},
    {"pagedown", VK_NEXT, ENHANCED_KEY},
    {"insert", VK_INSERT, ENHANCED_KEY},
    {"delete", VK_DELETE, ENHANCED_KEY},
};

INPUT_RECORD key_record(bool down, WORD virtual_key, char character,
                        DWORD control_state) {
  INPUT_RECORD record;
  std::memset(&record, 0, sizeof record);
  record.EventType = KEY_EVENT;
  KEY_EVENT_RECORD& key = record.Event.KeyEvent;
  key.bKeyDown = down ? TRUE : FALSE;
  key.wRepeatCount = 1;
  key.wVirtualKeyCode = virtual_key;
  key.wVirtualScanCode = static_cast<WORD>(MapVirtualKeyA(virtual_key, MAPVK_VK_TO_VSC));
  key.uChar.AsciiChar = character;
  key.dwControlKeyState = control_state;
  return record;
}

// A letter or digit key, as the console reports it: the virtual key is the
// upper-case character, the character is what was typed.
bool character_record(const std::string& token, bool down, INPUT_RECORD* record) {
  if (token.size() != 1 || !std::isalnum(static_cast<unsigned char>(token[0])))
    return false;
  char typed = token[0];
  auto virtual_key = static_cast<WORD>(std::toupper(static_cast<unsigned char>(typed)));
  *record = key_record(down, virtual_key, typed, 0);
  return true;
}

bool function_key_record(const std::string& name, DWORD control_state,
                         INPUT_RECORD* record) {
  if (name.size() < 2 || name.size() > 3 || name[0] != 'f') return false;
  int number = 0;
  for (size_t i = 1; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    number = number * 10 + (name[i] - '0');
  }
  if (number < 1 || number > 12 || name[1] == '0') return false;
  *record = key_record(true, static_cast<WORD>(VK_F1 + number - 1), 0, control_state);
  return true;
}

bool parse_event(std::string token, INPUT_RECORD* record) {
  const std::string release = "release-";
  if (token.compare(0, release.size(), release) == 0)
    return character_record(token.substr(release.size()), false, record);
  if (character_record(token, true, record)) return true;

  DWORD held = 0;
  const std::string shifted = "shift+";
  if (token.compare(0, shifted.size(), shifted) == 0) {
    held = SHIFT_PRESSED;
    token = token.substr(shifted.size());
  }
  if (function_key_record(token, held, record)) return true;
  for (const NamedKey& key : lone_keys) {
    if (token == key.name) {
      *record = key_record(true, key.virtual_key, 0, key.control_state | held);
      return true;
    }
  }
  if (held != 0) return false;

  std::memset(record, 0, sizeof *record);
  if (token == "mouse") {
    record->EventType = MOUSE_EVENT;
    record->Event.MouseEvent.dwMousePosition = {3, 2};
    record->Event.MouseEvent.dwButtonState = FROM_LEFT_1ST_BUTTON_PRESSED;
    return true;
  }
  if (token == "focus") {
    record->EventType = FOCUS_EVENT;
    record->Event.FocusEvent.bSetFocus = TRUE;
    return true;
  }
  if (token == "menu") {
    record->EventType = MENU_EVENT;
    record->Event.MenuEvent.dwCommandId = 1;
    return true;
  }
  if (token == "size") {
    record->EventType = WINDOW_BUFFER_SIZE_EVENT;
    record->Event.WindowBufferSizeEvent.dwSize = {80, 25};
    return true;
  }
  return false;
}

bool parse_events(const std::string& list, std::vector<INPUT_RECORD>* events) {
  if (list == "none") return true;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string token = list.substr(start, comma - start);
    start = comma + 1;
    // "mouse*200": the same event that many times over.
    unsigned long times = 1;
    size_t star = token.find('*');
    if (star != std::string::npos) {
      char* end = nullptr;
      times = std::strtoul(token.c_str() + star + 1, &end, 10);
      if (*end != '\0' || times == 0 || times > 100000) return false;
      token.resize(star);
    }
    INPUT_RECORD record;
    if (!parse_event(token, &record)) return false;
    events->insert(events->end(), times, record);
  }
  return true;
}

// The quoting that the C run-time's command-line parser undoes: backslashes
// are literal except in front of a double quote.
void append_quoted(std::string* line, const std::string& argument) {
  if (!line->empty()) *line += ' ';
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
    *line += argument;
    return;
  }
  *line += '"';
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') line->append(backslashes * 2 + 1, '\\');
    else line->append(backslashes, '\\');
    backslashes = 0;
    *line += c;
  }
  line->append(backslashes * 2, '\\');
  *line += '"';
}

bool same_event(const INPUT_RECORD& a, const INPUT_RECORD& b) {
  if (a.EventType != b.EventType) return false;
  switch (a.EventType) {
    case KEY_EVENT: {
      const KEY_EVENT_RECORD& x = a.Event.KeyEvent;
      const KEY_EVENT_RECORD& y = b.Event.KeyEvent;
      return x.bKeyDown == y.bKeyDown && x.wVirtualKeyCode == y.wVirtualKeyCode &&
             x.uChar.AsciiChar == y.uChar.AsciiChar &&
             x.dwControlKeyState == y.dwControlKeyState;
    }
    case MOUSE_EVENT:
      return a.Event.MouseEvent.dwButtonState == b.Event.MouseEvent.dwButtonState;
    default:
      return true;
  }
}

// Whether the queue still starts with exactly the injected events.
void report_queue(HANDLE input, const std::vector<INPUT_RECORD>& injected) {
  DWORD queued = 0;
  bool intact = GetNumberOfConsoleInputEvents(input, &queued) != 0 &&
                queued >= injected.size();
  if (intact && !injected.empty()) {
    std::vector<INPUT_RECORD> head(injected.size());
    DWORD peeked = 0;
    intact = PeekConsoleInputA(input, head.data(), static_cast<DWORD>(head.size()),
                               &peeked) != 0 &&
             peeked == head.size();
    for (size_t i = 0; intact && i < head.size(); ++i)
      intact = same_event(head[i], injected[i]);
  }
  std::fprintf(stderr, "inject_keys: injected %u, queued %lu, intact %s\n",
               static_cast<unsigned>(injected.size()), static_cast<unsigned long>(queued),
               intact ? "yes" : "no");
}

// Standard handles that the program is to inherit in place of our own.
void make_inheritable(HANDLE handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
}

}  // namespace

int main(int argc, char** argv) {
  const char input_option[] = "--input=";
  const size_t input_option_length = sizeof input_option - 1;
  const char* input_path = nullptr;
  int first = 1;
  if (argc > 1 && std::strncmp(argv[1], input_option, input_option_length) == 0) {
    input_path = argv[1] + input_option_length;
    first = 2;
  }
  std::vector<INPUT_RECORD> events;
  if (argc < first + 2 || !parse_events(argv[first], &events)) {
    std::fprintf(stderr, "usage: inject_keys [--input=FILE] EVENTS PROGRAM [ARGUMENT...]\n");
    return exit_usage;
  }
  const int program = first + 1;

  HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
  if (input == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "inject_keys: no console input (error %lu)\n", GetLastError());
    return exit_console;
  }
  // Whatever the console queued on its own (a resize, a stray character
  // from the terminal) would blur what the program was given.
  FlushConsoleInputBuffer(input);
  if (!events.empty()) {
    DWORD written = 0;
    if (!WriteConsoleInputA(input, events.data(), static_cast<DWORD>(events.size()),
                            &written) ||
        written != events.size()) {
      std::fprintf(stderr, "inject_keys: events not queued (error %lu)\n",
                   GetLastError());
      return exit_console;
    }
  }

  std::string command_line;
  for (int i = program; i < argc; ++i) append_quoted(&command_line, argv[i]);
  std::vector<char> writable(command_line.begin(), command_line.end());
  writable.push_back('\0');

  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  HANDLE input_file = INVALID_HANDLE_VALUE;
  if (input_path != nullptr) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    input_file = CreateFileA(input_path, GENERIC_READ, FILE_SHARE_READ, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    if (input_file == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "inject_keys: cannot open %s (error %lu)\n", input_path,
                   GetLastError());
      return exit_start;
    }
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input_file;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    make_inheritable(startup.hStdOutput);
    make_inheritable(startup.hStdError);
  }
  PROCESS_INFORMATION process;
  // Inherited handles carry our standard output over, so that a redirection
  // of ours is the program's too.
  if (!CreateProcessA(argv[program], writable.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &process)) {
    std::fprintf(stderr, "inject_keys: cannot start %s (error %lu)\n", argv[program],
                 GetLastError());
    return exit_start;
  }
  if (input_file != INVALID_HANDLE_VALUE) CloseHandle(input_file);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = exit_start;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  report_queue(input, events);
  std::fflush(stdout);
  return static_cast<int>(status);
}
