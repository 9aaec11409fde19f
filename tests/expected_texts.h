// The program's texts as a calling script sees them, written out once for
// all the tests, and never taken from the program's own sources, so that a
// changed text shows as a failure.
#ifndef KELVARN_TESTS_EXPECTED_TEXTS_H
#define KELVARN_TESTS_EXPECTED_TEXTS_H

#include <string>

namespace expected {

inline const std::string usage =
    "\nUsage: Kelvarn [options]\n"
    "Options are:\n\n"
    "  /S:n      Wait \"n\" seconds before continuing.\n"
    "  /T:hh:mm  Wait until \"hh:mm\" before continuing.\n\n"
    "  /?        Display this help screen.\n";
inline const std::string invalid = "ERROR:  Invalid parameter(s)\n";
inline const std::string prompt = "(press a key to exit early and return ERRORLEVEL 1)  ";
inline const std::string early_exit = "** EARLY EXIT **\n";

inline std::string seconds_message(const std::string& count) {
  return "Waiting " + count + " seconds...\n" + prompt;
}

inline std::string clock_message(const std::string& time) {
  return "Waiting until " + time + "...\n" + prompt;
}

}  // namespace expected

#endif
