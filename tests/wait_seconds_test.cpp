#include "waits/wait_seconds.h"

#include <gtest/gtest.h>

#include <string>

#include "app/outcome.h"
#include "tests/expected_texts.h"
#include "tests/fake_console.h"

namespace {

using expected::early_exit;
using expected::seconds_message;

struct SecondsCase {
  const char* option;
  int key_after_pauses;
  int status;
  std::string output;
  // b begin wait, o print, p pause, k key test, e end wait
  std::string events;
};

const SecondsCase cases[] = {
    {"/S:3", -1, STATUS_DONE, seconds_message("3"), "bopkpkpke"},
    {"/S:1", -1, STATUS_DONE, seconds_message("1"), "bopke"},
    // The first key test comes after the first pause, so a key that was
    // there from the start ends the wait after one second.
    {"/S:10", 0, STATUS_EARLY_EXIT, seconds_message("10") + early_exit, "bopkoe"},
    {"/S:10", 2, STATUS_EARLY_EXIT, seconds_message("10") + early_exit, "bopkpkoe"},
    {"/S:3", 3, STATUS_EARLY_EXIT, seconds_message("3") + early_exit, "bopkpkpkoe"},
    {"/S:3", 4, STATUS_DONE, seconds_message("3"), "bopkpkpke"},
    // Nothing to wait for: no pause, and the terminal is left alone.
    {"/S:0", 0, STATUS_DONE, seconds_message("0"), "o"},
    {"/S:-5", 0, STATUS_DONE, seconds_message("-5"), "o"},
    {"/S:abc", 0, STATUS_DONE, seconds_message("0"), "o"},
    {"/S30", 0, STATUS_DONE, seconds_message("0"), "o"},
    {"/S", 0, STATUS_DONE, seconds_message("0"), "o"},
    {"/S:-99999999999", 0, STATUS_DONE, seconds_message("-2147483648"), "o"},
    // Any third character separates; the count may be followed by text.
    {"/S=2", -1, STATUS_DONE, seconds_message("2"), "bopkpke"},
    {"/s:2x", -1, STATUS_DONE, seconds_message("2"), "bopkpke"},
    {"/S: 2", -1, STATUS_DONE, seconds_message("2"), "bopkpke"},
    {"/S:99999999999", 1, STATUS_EARLY_EXIT, seconds_message("2147483647") + early_exit,
     "bopkoe"},
};

TEST(SecondsWait, PausesCountsAndStopsAtAKey) {
  for (const SecondsCase& c : cases) {
    fake_console::Script script;
    script.key_after_pauses = c.key_after_pauses;
    fake_console::reset(script);
    std::string option = c.option;
    SCOPED_TRACE(std::string(c.option) + " key after " + std::to_string(c.key_after_pauses));
    EXPECT_EQ(wait_seconds(option.data()), c.status);
    EXPECT_EQ(fake_console::output, c.output);
    EXPECT_EQ(fake_console::events, c.events);
  }
}

TEST(SecondsWait, BlanksTheOptionPrefixInPlaceButKeepsTheTerminator) {
  fake_console::reset({});
  char option[] = "/S:0";
  wait_seconds(option);
  EXPECT_STREQ(option, "   0");

  char short_option[] = "/S\0guard";
  wait_seconds(short_option);
  EXPECT_EQ(std::string(short_option, sizeof short_option - 1), std::string("  \0guard", 8));
}

}  // namespace
