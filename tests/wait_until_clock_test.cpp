#include "waits/wait_until_clock.h"

#include <gtest/gtest.h>

#include <string>

#include "app/outcome.h"
#include "tests/expected_texts.h"
#include "tests/fake_console.h"

namespace {

struct ParseCase {
  const char* option;
  const char* hour_text;
  const char* minute_text;
  int32_t hour;
  int32_t minute;
};

const ParseCase parse_cases[] = {
    {"/T:9:30", "09", "30", 9, 30},
    {"/T:9:5", "09", "05", 9, 5},
    {"/T:14:30", "14", "30", 14, 30},
    {"/T:14:5", "14", "05", 14, 5},
    {"/T:14.30", "14", "30", 14, 30},
    {"/T:1430", "14", "00", 14, 0},
    {"/T:9:305", "09", "30", 9, 30},
    {"/T:ab:cd", "ab", "cd", 0, 0},
    {"/T:25:00", "25", "00", 25, 0},
    {"/t:7:60", "07", "60", 7, 60},
    {"xTy23x59trailing", "23", "59", 23, 59},
    {"/T:-1:-1", "-1", "-1", -1, -1},
};

TEST(ClockOption, ReadsFixedPositions) {
  for (const ParseCase& c : parse_cases) {
    SCOPED_TRACE(c.option);
    ClockTarget target = parse_clock_option(c.option);
    EXPECT_TRUE(target.complete);
    EXPECT_STREQ(target.hour_text, c.hour_text);
    EXPECT_STREQ(target.minute_text, c.minute_text);
    EXPECT_EQ(target.hour, c.hour);
    EXPECT_EQ(target.minute, c.minute);
  }
}

TEST(ClockOption, TooShortForItsPositionsIsIncomplete) {
  for (const char* option : {"", "/T", "/T:", "/T:9", "/T:9:", "/T:14", "/T:14:", "/T:123"}) {
    SCOPED_TRACE(option);
    EXPECT_FALSE(parse_clock_option(option).complete);
  }
}

TEST(ClockOption, AnIncompleteOptionIsReportedWithoutWaiting) {
  fake_console::reset({});
  EXPECT_EQ(wait_until_clock("/T:9:"), STATUS_INVALID_OPTION);
  EXPECT_EQ(fake_console::events, "");
}

using expected::early_exit;
using expected::clock_message;

int at(int hour, int minute, int second) { return (hour * 60 + minute) * 60 + second; }

struct ClockCase {
  const char* name;
  const char* option;
  int start_second_of_day;
  int key_after_pauses;
  int status;
  int pauses;
  std::string output;
  // c clock read, b begin wait, o print, k key test, p pause, e end wait
  std::string events;
};

const ClockCase clock_cases[] = {
    {"target showing at the start", "/T:14:30", at(14, 30, 59), -1, STATUS_DONE, 0,
     clock_message("14:30"), "cboke"},
    {"key queued at the start", "/T:14:30", at(9, 0, 0), 0, STATUS_EARLY_EXIT, 0,
     clock_message("14:30") + early_exit, "cbokkoe"},
    {"target reached with a key waiting", "/T:14:30", at(14, 29, 58), 2, STATUS_EARLY_EXIT, 2,
     clock_message("14:30") + early_exit, "cbokpckpckoe"},
    {"target reached after three pauses", "/T:9:5", at(9, 4, 57), -1, STATUS_DONE, 3,
     clock_message("09:05"), "cbokpckpckpcke"},
    {"earlier in the day is reached tomorrow", "/T:0:00", at(23, 59, 58), -1, STATUS_DONE, 2,
     clock_message("00:00"), "cbokpckpcke"},
    {"letters wait until midnight", "/T:ab:cd", at(23, 59, 59), -1, STATUS_DONE, 1,
     clock_message("ab:cd"), "cbokpcke"},
    {"an hour the clock never shows", "/T:25:00", at(0, 0, 0), 5, STATUS_EARLY_EXIT, 5,
     clock_message("25:00") + early_exit, "cbokpckpckpckpckpckkoe"},
    {"a minute the clock never shows", "/t:7:60", at(7, 59, 59), 3, STATUS_EARLY_EXIT, 3,
     clock_message("07:60") + early_exit, "cbokpckpckpckkoe"},
    {"an unreadable clock is never the target", "/T:-1:-1", -1, 2, STATUS_EARLY_EXIT, 2,
     clock_message("-1:-1") + early_exit, "cbokpckpckkoe"},
};

TEST(ClockWait, LooksOnceASecondAndStopsAtTheTargetOrAKey) {
  for (const ClockCase& c : clock_cases) {
    SCOPED_TRACE(c.name);
    fake_console::Script script;
    script.start_second_of_day = c.start_second_of_day;
    script.key_after_pauses = c.key_after_pauses;
    fake_console::reset(script);
    EXPECT_EQ(wait_until_clock(c.option), c.status);
    EXPECT_EQ(fake_console::pauses, c.pauses);
    EXPECT_EQ(fake_console::output, c.output);
    EXPECT_EQ(fake_console::events, c.events);
  }
}

TEST(ClockWait, ATargetEarlierInTheDayTakesNearlyADay) {
  fake_console::reset({-1, at(14, 31, 0)});
  EXPECT_EQ(wait_until_clock("/T:14:30"), STATUS_DONE);
  EXPECT_EQ(fake_console::pauses, 86400 - 60);
}

}  // namespace
