// Runs a program on a pseudo-terminal of its own, as a person at a keyboard
// would: it reads what the program shows and types keys at it. Every wait
// has a hard limit, and a program still running at the end is killed.
#ifndef KELVARN_TESTS_PTY_HARNESS_H
#define KELVARN_TESTS_PTY_HARNESS_H

#include <sys/types.h>
#include <termios.h>

#include <string>
#include <vector>

class Terminal {
 public:
  // Starts the program with the terminal as its controlling terminal and
  // as its standard input, output and error.
  explicit Terminal(const std::vector<std::string>& argv);
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // Reads until `text` has been shown; false if it was not within the limit.
  bool wait_for_output(const std::string& text, double seconds);
  void type(const std::string& keys);
  // Reads until the program has ended; false if it did not within the limit.
  bool wait_for_exit(double seconds);

  // The exit status as a shell gives it: 128 + the signal for a signal.
  int status() const;
  const std::string& output() const { return output_; }
  pid_t pid() const { return pid_; }
  struct termios settings() const;

 private:
  bool read_some(double seconds);
  pid_t pid_ = -1;
  int master_ = -1;
  bool exited_ = false;
  int wait_status_ = 0;
  std::string output_;
};

// Seconds since an arbitrary start, for measuring waits.
double now_seconds();

// Turns line feeds into the carriage return and line feed a terminal shows.
std::string as_shown(const std::string& text);

struct Finished {
  bool ended;
  int status;
  std::string output;
};

// Runs the program in a new session with no controlling terminal, standard
// input from /dev/null and standard output into a pipe.
Finished run_without_terminal(const std::vector<std::string>& argv, double seconds);

#endif
