// Console services on a POSIX terminal.
//
// The console is the controlling terminal, not standard input, so that a
// script reading from a file or a pipe can still be cut short at the keyboard.
// A single key only becomes visible in the terminal's input queue in
// non-canonical mode, so a wait switches the terminal to it and puts the
// user's settings back on every way out, signals and job control included.

#include "console/console.h"

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

int terminal_fd = -1;
bool output_is_terminal = false;
bool wait_in_progress = false;
char output_buffer[4096];

// Shared with the signal handlers. The handlers only read these; the main
// flow changes them with the handled signals blocked.
volatile sig_atomic_t wait_mode_applied = 0;
struct termios user_settings;
struct termios wait_settings;

const int handled_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

bool same_settings(const struct termios& a, const struct termios& b) {
  if (a.c_iflag != b.c_iflag || a.c_oflag != b.c_oflag ||
      a.c_cflag != b.c_cflag || a.c_lflag != b.c_lflag)
    return false;
  for (unsigned i = 0; i < NCCS; ++i)
    if (a.c_cc[i] != b.c_cc[i]) return false;
  return true;
}

// A background process must not change the terminal: the change would land
// under the foreground job, or SIGTTOU would stop us.
bool in_foreground() {
  return terminal_fd >= 0 && tcgetpgrp(terminal_fd) == getpgrp();
}

bool wait_mode_in_force(const struct termios& t) {
  return (t.c_lflag & (ICANON | ECHO)) == 0 && (t.c_iflag & IXON) == 0;
}

// Async-signal-safe: used by the handlers as well as the normal way out.
// Another program on the same terminal (a pager at the end of our pipe) may
// have set its own mode since; that is then left as it is.
void restore_user_settings() {
  if (!wait_mode_applied) return;
  wait_mode_applied = 0;
  struct termios now;
  if (in_foreground() && tcgetattr(terminal_fd, &now) == 0 &&
      same_settings(now, wait_settings))
    tcsetattr(terminal_fd, TCSANOW, &user_settings);
}

void block_handled_signals(sigset_t* previous) {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : handled_signals) sigaddset(&set, sig);
  sigprocmask(SIG_BLOCK, &set, previous);
}

// Gives the signal its default action and lets it through; the handlers
// run with every handled signal blocked.
void raise_with_default_action(int sig) {
  signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  sigprocmask(SIG_BLOCK, &set, nullptr);
}

void on_stop_signal(int sig);

void on_terminating_signal(int sig) {
  restore_user_settings();
  // Dies here, by the same signal, so that the parent sees how we ended.
  raise_with_default_action(sig);
}

void install_handler(int sig) {
  struct sigaction action = {};
  action.sa_handler = sig == SIGTSTP ? on_stop_signal : on_terminating_signal;
  sigemptyset(&action.sa_mask);
  for (int s : handled_signals) sigaddset(&action.sa_mask, s);
  action.sa_flags = SA_RESTART;
  sigaction(sig, &action, nullptr);
}

void on_stop_signal(int sig) {
  int saved_errno = errno;
  restore_user_settings();
  // Stops here, unless our process group is orphaned (a session leader),
  // where the kernel drops the signal. Either way the next key test puts
  // the wait mode back once we are in the foreground again.
  raise_with_default_action(sig);
  install_handler(sig);
  errno = saved_errno;
}

void install_handlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int sig : handled_signals) {
    // A signal the caller ignores (nohup, a background job of a shell
    // without job control) stays ignored.
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    install_handler(sig);
  }
}

// Takes the user's settings as they are now and switches to the wait mode:
// no line editing, so single keys show in the queue; no echo; and no
// Ctrl+S/Ctrl+Q flow control, so those count as keys. ISIG stays on.
// TCSANOW rather than TCSAFLUSH: keys typed before the wait must count.
void apply_wait_mode() {
  struct termios now;
  if (tcgetattr(terminal_fd, &now) != 0 || wait_mode_in_force(now)) return;
  sigset_t previous;
  block_handled_signals(&previous);
  user_settings = now;
  wait_settings = now;
  wait_settings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  wait_settings.c_iflag &= ~static_cast<tcflag_t>(IXON);
  if (tcsetattr(terminal_fd, TCSANOW, &wait_settings) == 0) {
    // Read back what the driver kept, so that the later comparison holds.
    tcgetattr(terminal_fd, &wait_settings);
    wait_mode_applied = 1;
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace

void console_open() {
  // Output that cannot be written is lost, not fatal.
  signal(SIGPIPE, SIG_IGN);
  output_is_terminal = isatty(STDOUT_FILENO) != 0;
  setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer);

  int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  // With standard output closed, the open lands on descriptor 1 and our
  // prints would go to the terminal; keep the terminal above the standard
  // descriptors instead.
  if (fd <= STDERR_FILENO) {
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(fd);
    fd = moved;
  }
  terminal_fd = fd;
}

void console_print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vprintf(format, arguments);
  va_end(arguments);
  if (output_is_terminal) fflush(stdout);
}

bool console_key_waiting() {
  if (!in_foreground()) return false;
  // After Ctrl+Z, or a stop that bypassed our handler, the shell has put
  // its own settings back, and a resumed job may not even get SIGCONT: so
  // the mode is checked, and taken again if need be, at every test.
  if (wait_in_progress) apply_wait_mode();
  int queued = 0;
  return ioctl(terminal_fd, FIONREAD, &queued) == 0 && queued > 0;
}

void pause_one_second() {
  struct timespec remaining = {1, 0};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

TimeOfDay local_time_of_day() {
  TimeOfDay result = {-1, -1};
  // Read the zone afresh: a long wait may span a change of zone.
  tzset();
  time_t now = time(nullptr);
  struct tm local;
  if (now == static_cast<time_t>(-1) || localtime_r(&now, &local) == nullptr)
    return result;
  result.hour = local.tm_hour;
  result.minute = local.tm_min;
  return result;
}

void console_begin_wait() {
  if (terminal_fd < 0) return;
  wait_in_progress = true;
  install_handlers();
  if (in_foreground()) apply_wait_mode();
}

void console_end_wait() {
  if (!wait_in_progress) return;
  wait_in_progress = false;
  sigset_t previous;
  block_handled_signals(&previous);
  restore_user_settings();
  sigprocmask(SIG_SETMASK, &previous, nullptr);
}
