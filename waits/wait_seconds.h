#ifndef KELVARN_WAITS_WAIT_SECONDS_H
#define KELVARN_WAITS_WAIT_SECONDS_H

// The /S:n option: pauses n seconds, one at a time, and stops early when a
// key is waiting. The first three characters of the option are blanked in
// place before the count is read. Returns STATUS_DONE or STATUS_EARLY_EXIT.
int wait_seconds(char* option);

#endif
