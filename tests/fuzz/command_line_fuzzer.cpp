// Feeds arbitrary bytes to the command line. The first byte sets when a key
// arrives, so that no wait runs unbounded; the rest, up to a NUL, is the
// first argument. Besides the sanitizers' findings, a run fails when the
// status is not one a script can get, when the output does not end with the
// closing notice, or when a wait leaves the terminal mode on.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/kelvarn.h"
#include "tests/fake_console.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

size_t count(const std::string& text, char c) {
  size_t n = 0;
  for (char x : text) n += x == c;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fake_console::Script script;
  script.key_after_pauses = size > 0 ? data[0] % 90 : 0;
  // Close to midnight, so that a target of 00:00 is reached within the
  // pauses the key allows.
  script.start_second_of_day = 23 * 3600 + 59 * 60 + 30;
  fake_console::reset(script);

  // The argument is a copy the program may change, in a buffer of its exact
  // length so that the sanitizers see any read past its end.
  const char* bytes = size > 0 ? reinterpret_cast<const char*>(data + 1) : "";
  size_t length = size > 0 ? strnlen(bytes, size - 1) : 0;
  std::string program = "kelvarn";
  char* argument = new char[length + 1];
  std::memcpy(argument, bytes, length);
  argument[length] = '\0';
  char* argv[] = {program.data(), argument, nullptr};

  int status = kelvarn_main(2, argv);
  delete[] argument;

  require(status == 0 || status == 1);
  require(fake_console::pauses <= 90);
  require(count(fake_console::events, 'b') == count(fake_console::events, 'e'));
  const std::string& output = fake_console::output;
  size_t notice = output.rfind("\nKelvarn ");
  require(notice != std::string::npos);
  require(count(output.substr(notice), '\n') == 4);
  return 0;
}
