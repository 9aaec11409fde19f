#include "app/kelvarn.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/outcome.h"
#include "tests/expected_texts.h"
#include "tests/fake_console.h"

namespace {

using expected::usage;
const std::string& error = expected::invalid;
const std::string seconds_zero = expected::seconds_message("0");

int run(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  std::string program = "kelvarn";
  argv.push_back(program.data());
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return kelvarn_main(static_cast<int>(argv.size() - 1), argv.data());
}

struct ChoiceCase {
  std::vector<std::string> arguments;
  int status;
  std::string output_before_notice;
};

TEST(CommandLine, ChoosesTheActionFromTheSecondCharacterOfTheFirstArgument) {
  const ChoiceCase cases[] = {
      {{}, STATUS_NO_ARGUMENT, usage},
      {{"/?"}, STATUS_DONE, usage},
      {{"/?", "/S:5"}, STATUS_DONE, usage},
      {{"/?x"}, STATUS_DONE, error + usage},
      {{"-?"}, STATUS_DONE, error + usage},
      {{"/"}, STATUS_DONE, error + usage},
      {{""}, STATUS_DONE, error + usage},
      {{"/x:5"}, STATUS_DONE, error + usage},
      {{"S:5"}, STATUS_DONE, error + usage},
      {{"-S:0"}, STATUS_DONE, seconds_zero},
      {{"xs:0"}, STATUS_DONE, seconds_zero},
      {{"/S:0", "/T:12:00"}, STATUS_DONE, seconds_zero},
      {{"/S:2"}, STATUS_EARLY_EXIT, expected::seconds_message("2") + expected::early_exit},
      // A clock option too short to read is an invalid parameter.
      {{"/T"}, STATUS_DONE, error + usage},
      {{"/t:14:"}, STATUS_DONE, error + usage},
  };
  for (const ChoiceCase& c : cases) {
    std::string shown;
    for (const std::string& argument : c.arguments) shown += "[" + argument + "]";
    SCOPED_TRACE(shown);
    fake_console::Script script;
    script.key_after_pauses = 1;
    fake_console::reset(script);
    EXPECT_EQ(run(c.arguments), c.status);
    const std::string& output = fake_console::output;
    ASSERT_GE(output.size(), c.output_before_notice.size());
    EXPECT_EQ(output.substr(0, c.output_before_notice.size()), c.output_before_notice);
    EXPECT_EQ(output.substr(c.output_before_notice.size()).rfind("\nKelvarn ", 0), 0u)
        << "the closing notice follows at once";
  }
}

TEST(CommandLine, EveryRunEndsWithTheFourLineClosingNotice) {
  fake_console::reset({});
  run({"/?"});
  std::string notice = fake_console::output.substr(usage.size());
  EXPECT_EQ(notice,
            "\nKelvarn " KELVARN_VERSION_FOR_TESTS
            " - pauses a script for a while or until a key is pressed\n"
            "Copyright (C) 2026 The Kelvarn developers\n"
            "News and updates: " KELVARN_WEB_ADDRESS_FOR_TESTS "\n");
}

}  // namespace
