// The real program on a pseudo-terminal: texts, statuses, keys, and the
// terminal's settings on every way out.

#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>

#include <cstdio>
#include <ctime>

#include <string>
#include <vector>

#include "tests/expected_texts.h"
#include "tests/pty_harness.h"

namespace {

const std::string kelvarn = KELVARN_BINARY;

using expected::early_exit;
using expected::prompt;
using expected::seconds_message;
using expected::usage;
const std::string& error = expected::invalid;

// The closing notice: a blank line, then three lines of ours.
std::string without_notice(const std::string& shown) {
  size_t at = shown.rfind(as_shown("\nKelvarn "));
  return at == std::string::npos ? shown + "<no closing notice>" : shown.substr(0, at);
}

// A shell script run on the terminal, with the program as "$1".
std::vector<std::string> script(const std::string& text) {
  return {"/bin/sh", "-c", text, "sh", kelvarn};
}

struct TextCase {
  std::vector<std::string> arguments;
  int status;
  std::string before_notice;
};

TEST(Texts, AreShownByteForByteWithTheirStatus) {
  const TextCase cases[] = {
      {{}, 2, usage},
      {{"/?"}, 0, usage},
      {{"/?x"}, 0, error + usage},
      {{""}, 0, error + usage},
      {{"/"}, 0, error + usage},
      {{"/S:0"}, 0, seconds_message("0")},
      {{"/s:-5"}, 0, seconds_message("-5")},
      {{"/S"}, 0, seconds_message("0")},
      {{"/S:-99999999999"}, 0, seconds_message("-2147483648")},
      {{"/T:9:"}, 0, error + usage},
  };
  for (const TextCase& c : cases) {
    std::vector<std::string> argv = {kelvarn};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    SCOPED_TRACE(c.arguments.empty() ? "no argument" : "[" + c.arguments[0] + "]");
    Terminal terminal(argv);
    ASSERT_TRUE(terminal.wait_for_exit(10));
    EXPECT_EQ(terminal.status(), c.status);
    EXPECT_EQ(without_notice(terminal.output()), as_shown(c.before_notice));
  }
}

TEST(Texts, TheClosingNoticeIsFourLinesAndComesLast) {
  Terminal terminal({kelvarn, "/?"});
  ASSERT_TRUE(terminal.wait_for_exit(10));
  std::string notice = terminal.output().substr(as_shown(usage).size());
  ASSERT_EQ(notice.rfind("\r\nKelvarn ", 0), 0u) << notice;
  size_t lines = 0;
  for (size_t at = notice.find("\r\n"); at != std::string::npos; at = notice.find("\r\n", at + 2))
    ++lines;
  EXPECT_EQ(lines, 4u);
  EXPECT_EQ(notice.substr(notice.size() - 2), "\r\n");
  EXPECT_NE(notice.find("Copyright"), std::string::npos);
  EXPECT_NE(notice.find("http"), std::string::npos);
}

TEST(SecondsWait, RunsItsFullCourseWithoutAKey) {
  double start = now_seconds();
  Terminal terminal({kelvarn, "/S:2"});
  ASSERT_TRUE(terminal.wait_for_exit(15));
  double elapsed = now_seconds() - start;
  EXPECT_EQ(terminal.status(), 0);
  EXPECT_EQ(without_notice(terminal.output()), as_shown(seconds_message("2")));
  EXPECT_GE(elapsed, 2.0);
  EXPECT_LT(elapsed, 10.0);
}

TEST(SecondsWait, AKeyEndsItAfterTheFirstPause) {
  Terminal terminal({kelvarn, "/S:30"});
  ASSERT_TRUE(terminal.wait_for_output(prompt, 10));
  double typed = now_seconds();
  terminal.type("x");
  ASSERT_TRUE(terminal.wait_for_exit(15));
  double elapsed = now_seconds() - typed;
  EXPECT_EQ(terminal.status(), 1);
  EXPECT_EQ(without_notice(terminal.output()), as_shown(seconds_message("30") + early_exit));
  EXPECT_GE(elapsed, 0.5) << "the first key test comes after a pause";
  EXPECT_LT(elapsed, 10.0);
}

TEST(SecondsWait, AKeyTypedBeforeTheStartCounts) {
  Terminal terminal(script("sleep 0.5; \"$1\" /S:30"));
  terminal.type("x");
  ASSERT_TRUE(terminal.wait_for_exit(15));
  EXPECT_EQ(terminal.status(), 1);
}

TEST(SecondsWait, EveryKindOfKeyCounts) {
  // Enter, Escape, Ctrl+S (flow control is off during the wait), Ctrl+D
  // (end of file only means something to a reader of lines), and a cursor
  // key's escape sequence.
  for (const std::string key : {"\r", "\x1b", "\x13", "\x04", "\x1b[A"}) {
    SCOPED_TRACE("key code " + std::to_string(static_cast<unsigned char>(key.back())));
    Terminal terminal({kelvarn, "/S:30"});
    ASSERT_TRUE(terminal.wait_for_output(prompt, 10));
    terminal.type(key);
    ASSERT_TRUE(terminal.wait_for_exit(15));
    EXPECT_EQ(terminal.status(), 1);
  }
}

TEST(SecondsWait, KeysComeFromTheTerminalNotFromStandardInput) {
  Terminal terminal(script("\"$1\" /S:30 </dev/null"));
  ASSERT_TRUE(terminal.wait_for_output(prompt, 10));
  terminal.type("x");
  ASSERT_TRUE(terminal.wait_for_exit(15));
  EXPECT_EQ(terminal.status(), 1);
}

TEST(SecondsWait, TheEndingKeyIsLeftForTheShell) {
  Terminal terminal(script("\"$1\" /S:30; echo status=$?; IFS= read -r line; echo \"line=[$line]\""));
  ASSERT_TRUE(terminal.wait_for_output(prompt, 10));
  terminal.type("q");
  ASSERT_TRUE(terminal.wait_for_output("status=1", 15));
  terminal.type("\n");
  ASSERT_TRUE(terminal.wait_for_exit(10));
  EXPECT_NE(terminal.output().find("line=[q]"), std::string::npos) << terminal.output();
}

TEST(TerminalSettings, AreChangedOnlyWhileWaiting) {
  Terminal terminal({kelvarn, "/S:30"});
  ASSERT_TRUE(terminal.wait_for_output(prompt, 10));
  struct termios during = terminal.settings();
  EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(during.c_iflag & IXON, 0u);
  EXPECT_NE(during.c_lflag & ISIG, 0u) << "Ctrl+C must still interrupt";
  terminal.type("x");
  ASSERT_TRUE(terminal.wait_for_exit(15));
}

struct WayOut {
  const char* name;
  const char* option;
  const char* key;  // typed at the terminal, or
  int signal;       // sent to the program
  int status;
};

// The shell sets a few settings of its own first, so that a restore to the
// terminal's defaults would not pass for a restore to the user's settings.
TEST(TerminalSettings, AreRestoredExactlyOnEveryWayOut) {
  const WayOut ways[] = {
      {"full wait", "/S:1", nullptr, 0, 0},
      {"early exit", "/S:30", "x", 0, 1},
      {"Ctrl+C", "/S:30", "\x03", 0, 130},
      {"SIGTERM", "/S:30", nullptr, SIGTERM, 143},
      {"SIGHUP", "/S:30", nullptr, SIGHUP, 129},
      {"SIGQUIT", "/S:30", nullptr, SIGQUIT, 131},
      {"clock wait, early exit", "/T:25:00", "x", 0, 1},
      {"clock wait, Ctrl+C", "/T:25:00", "\x03", 0, 130},
  };
  for (const WayOut& way : ways) {
    SCOPED_TRACE(way.name);
    Terminal terminal(script(
        std::string("ulimit -c 0; trap : INT; stty erase ^H ixany -echoctl; echo before=$(stty -g);"
                    " sh -c 'echo pid=$$; exec \"$0\" ") +
        way.option + "' \"$1\"; echo status=$?; echo after=$(stty -g); echo end"));
    ASSERT_TRUE(terminal.wait_for_output(prompt, 10));
    if (way.key != nullptr) terminal.type(way.key);
    if (way.signal != 0) {
      size_t at = terminal.output().find("pid=");
      ASSERT_NE(at, std::string::npos);
      kill(std::stoi(terminal.output().substr(at + 4)), way.signal);
    }
    ASSERT_TRUE(terminal.wait_for_output("end", 15));
    ASSERT_TRUE(terminal.wait_for_exit(5));
    const std::string& shown = terminal.output();
    EXPECT_NE(shown.find("status=" + std::to_string(way.status) + "\r\n"), std::string::npos)
        << shown;
    size_t before = shown.find("before=");
    size_t after = shown.find("after=");
    ASSERT_NE(before, std::string::npos);
    ASSERT_NE(after, std::string::npos);
    std::string before_settings = shown.substr(before + 7, shown.find('\r', before) - before - 7);
    std::string after_settings = shown.substr(after + 6, shown.find('\r', after) - after - 6);
    EXPECT_EQ(before_settings, after_settings);
    if (way.status > 128) {
      EXPECT_EQ(shown.find("Kelvarn 1"), std::string::npos) << "no closing notice after a signal";
    }
  }
}

// A POSIX zone whose offset puts the local clock one to two seconds before
// the start of a minute now, and five hours away from UTC; `target` gets
// that minute as hh:mm.
std::string zone_just_before_a_minute(std::string& target) {
  time_t now = time(nullptr);
  long offset = static_cast<long>(((now - 58) % 60 + 60) % 60);
  char zone[32];
  snprintf(zone, sizeof zone, "XYZ+05:00:%02ld", offset);
  time_t next_minute = now - 5 * 3600 - offset + 60;
  struct tm local;
  gmtime_r(&next_minute, &local);
  char hhmm[8];
  snprintf(hhmm, sizeof hhmm, "%02d:%02d", local.tm_hour, local.tm_min);
  target = hhmm;
  return zone;
}

TEST(ClockWait, EndsWhenTheLocalClockReachesTheTargetMinute) {
  std::string target;
  std::string zone = zone_just_before_a_minute(target);
  double start = now_seconds();
  Terminal terminal({"/usr/bin/env", "TZ=" + zone, kelvarn, "/T:" + target});
  ASSERT_TRUE(terminal.wait_for_exit(15)) << zone << " " << target;
  double elapsed = now_seconds() - start;
  EXPECT_EQ(terminal.status(), 0);
  EXPECT_EQ(without_notice(terminal.output()),
            as_shown(expected::clock_message(target)));
  EXPECT_GE(elapsed, 0.9) << "the minute had not begun at the start";
  EXPECT_LT(elapsed, 10.0);
}

TEST(ClockWait, AKeyEndsAWaitForATimeTheClockNeverShows) {
  Terminal terminal({kelvarn, "/t:7:60"});
  ASSERT_TRUE(terminal.wait_for_output(prompt, 10));
  terminal.type("x");
  ASSERT_TRUE(terminal.wait_for_exit(15));
  EXPECT_EQ(terminal.status(), 1);
  EXPECT_EQ(without_notice(terminal.output()),
            as_shown(expected::clock_message("07:60") + early_exit));
}

TEST(Robustness, WithoutAControllingTerminalTheWaitRunsItsCourse) {
  double start = now_seconds();
  Finished run = run_without_terminal({kelvarn, "/S:2"}, 15);
  double elapsed = now_seconds() - start;
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output.rfind(seconds_message("2") + "\nKelvarn ", 0), 0u) << run.output;
  EXPECT_GE(elapsed, 2.0);
}

TEST(Robustness, AClosedStandardOutputLosesTextButNotTheStatus) {
  // With standard output closed, the terminal must not take its place.
  Terminal terminal(script("\"$1\" /S:1 >&-; echo status=$?"));
  ASSERT_TRUE(terminal.wait_for_exit(15));
  EXPECT_NE(terminal.output().find("status=0"), std::string::npos) << terminal.output();
  EXPECT_EQ(terminal.output().find("Waiting"), std::string::npos) << terminal.output();
}

TEST(Robustness, AGoneReaderDoesNotKillTheProgram) {
  Terminal terminal({"/bin/bash", "-c", "\"$1\" /S:1 | true; echo status=${PIPESTATUS[0]}",
                     "bash", kelvarn});
  ASSERT_TRUE(terminal.wait_for_exit(15));
  EXPECT_NE(terminal.output().find("status=0"), std::string::npos) << terminal.output();
}

}  // namespace
