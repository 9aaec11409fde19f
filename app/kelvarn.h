#ifndef KELVARN_APP_KELVARN_H
#define KELVARN_APP_KELVARN_H

// Chooses the action from the first argument, runs it, prints the closing
// notice and returns the exit status. The console must be open. The first
// argument may be changed in place.
int kelvarn_main(int argc, char** argv);

void show_usage();
void show_closing_notice();

#endif
