#include "app/kelvarn.h"

#include <cstring>

#include "app/outcome.h"
#include "console/console.h"
#include "waits/wait_seconds.h"
#include "waits/wait_until_clock.h"

#ifndef KELVARN_VERSION
#error "the build defines KELVARN_VERSION"
#endif
#ifndef KELVARN_WEB_ADDRESS
#error "the build defines KELVARN_WEB_ADDRESS"
#endif

void show_usage() {
  console_print("\nUsage: Kelvarn [options]\n");
  console_print("Options are:\n\n");
  console_print("  /S:n      Wait \"n\" seconds before continuing.\n");
  console_print("  /T:hh:mm  Wait until \"hh:mm\" before continuing.\n\n");
  console_print("  /?        Display this help screen.\n");
}

void show_closing_notice() {
  console_print("\n");
  console_print("Kelvarn %s - pauses a script for a while or until a key is pressed\n",
                KELVARN_VERSION);
  console_print("Copyright (C) 2026 The Kelvarn developers\n");
  console_print("News and updates: %s\n", KELVARN_WEB_ADDRESS);
}

int kelvarn_main(int argc, char** argv) {
  int status = STATUS_DONE;
  if (argc < 2) {
    show_usage();
    status = STATUS_NO_ARGUMENT;
  } else {
    char* option = argv[1];
    // The first character is never looked at: /S:5, -S:5 and xS:5 are alike.
    // An empty argument has no second character and is an unknown option.
    char letter = option[0] == '\0' ? '\0' : option[1];
    if (std::strcmp(option, "/?") == 0) {
      show_usage();
    } else if (letter == 'S' || letter == 's') {
      status = wait_seconds(option);
    } else if (letter == 'T' || letter == 't') {
      status = wait_until_clock(option);
    } else {
      status = STATUS_INVALID_OPTION;
    }
    if (status == STATUS_INVALID_OPTION) {
      console_print("ERROR:  Invalid parameter(s)\n");
      show_usage();
      status = STATUS_DONE;
    }
  }
  show_closing_notice();
  return status;
}
