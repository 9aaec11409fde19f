// What a run reports to the calling script: its exit status, and the text a
// wait prints when a key cuts it short.
#ifndef KELVARN_APP_OUTCOME_H
#define KELVARN_APP_OUTCOME_H

const int STATUS_DONE = 0;         // usage shown, unknown option, or a full wait
const int STATUS_EARLY_EXIT = 1;   // a key ended the wait
const int STATUS_NO_ARGUMENT = 2;  // started without an argument

// Never leaves the program: a wait that cannot read its option returns it,
// and the option is then reported like any unknown one.
const int STATUS_INVALID_OPTION = -1;

// Follows the waiting message, which ends in two blanks, on the same line.
#define EARLY_EXIT_TEXT "** EARLY EXIT **\n"

#endif
