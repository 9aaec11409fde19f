#include "tests/pty_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

std::vector<char*> as_argv(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  return argv;
}

int shell_status(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) return 128 + WTERMSIG(wait_status);
  return -1;
}

}  // namespace

double now_seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string as_shown(const std::string& text) {
  std::string shown;
  for (char c : text) {
    if (c == '\n') shown += '\r';
    shown += c;
  }
  return shown;
}

Terminal::Terminal(const std::vector<std::string>& arguments) {
  std::vector<char*> argv = as_argv(arguments);
  struct winsize size = {};
  size.ws_row = 24;
  size.ws_col = 80;
  pid_ = forkpty(&master_, nullptr, nullptr, &size);
  if (pid_ == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (pid_ < 0) std::perror("forkpty");
}

Terminal::~Terminal() {
  if (pid_ > 0 && !exited_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
}

bool Terminal::read_some(double seconds) {
  struct pollfd p = {master_, POLLIN, 0};
  int ready = poll(&p, 1, static_cast<int>(seconds * 1000));
  if (ready <= 0) return false;
  char buffer[4096];
  ssize_t n = read(master_, buffer, sizeof buffer);
  if (n <= 0) return false;
  output_.append(buffer, static_cast<size_t>(n));
  return true;
}

bool Terminal::wait_for_output(const std::string& text, double seconds) {
  double deadline = now_seconds() + seconds;
  while (output_.find(text) == std::string::npos) {
    double left = deadline - now_seconds();
    if (left <= 0) return false;
    if (!read_some(left > 0.05 ? 0.05 : left) && exited_) return false;
    if (!exited_ && waitpid(pid_, &wait_status_, WNOHANG) == pid_) exited_ = true;
  }
  return true;
}

void Terminal::type(const std::string& keys) {
  ssize_t written = write(master_, keys.data(), keys.size());
  (void)written;
}

bool Terminal::wait_for_exit(double seconds) {
  double deadline = now_seconds() + seconds;
  while (!exited_) {
    if (now_seconds() > deadline) return false;
    read_some(0.02);
    if (waitpid(pid_, &wait_status_, WNOHANG) == pid_) exited_ = true;
  }
  // What the program wrote just before it ended is still in the terminal.
  while (read_some(0.1)) {
  }
  return true;
}

int Terminal::status() const { return exited_ ? shell_status(wait_status_) : -1; }

struct termios Terminal::settings() const {
  // On the master side this gives the terminal's own settings.
  struct termios t = {};
  tcgetattr(master_, &t);
  return t;
}

Finished run_without_terminal(const std::vector<std::string>& arguments, double seconds) {
  Finished result = {false, -1, ""};
  std::vector<char*> argv = as_argv(arguments);
  int out[2];
  if (pipe(out) != 0) return result;
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(out[1], STDERR_FILENO);
    close(out[0]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  double deadline = now_seconds() + seconds;
  int wait_status = 0;
  for (;;) {
    double left = deadline - now_seconds();
    if (left <= 0) break;
    struct pollfd p = {out[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left * 1000) + 1) > 0) {
      char buffer[4096];
      ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n > 0) {
        result.output.append(buffer, static_cast<size_t>(n));
        continue;
      }
      break;  // every writer has gone
    }
  }
  if (waitpid(pid, &wait_status, WNOHANG) != pid) {
    // Still running at the limit, or just closing: give it a moment.
    usleep(200000);
    if (waitpid(pid, &wait_status, WNOHANG) != pid) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      close(out[0]);
      return result;
    }
  }
  close(out[0]);
  result.ended = true;
  result.status = shell_status(wait_status);
  return result;
}
