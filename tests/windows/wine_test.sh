#!/usr/bin/env bash
# Runs the Windows build under Wine, on a console of its own, and checks what
# a script calling it would see: the texts byte for byte, the exit status,
# how long it waits, and which console input ends a wait.
#
#   tests/windows/wine_test.sh WINDOWS_BUILD_DIR
#
# WINDOWS_BUILD_DIR is a cross build holding kelvarn.exe and inject_keys.exe.
# Prints one line per case and then "N passed, N failed"; exits 1 if any case
# failed, 77 if Wine or script(1) is missing.
#
# How Wine behaves here, and why the cases are run the way they are:
# - Without a terminal Wine gives a console program no console at all, so
#   each case runs inside `script`, whose pseudo-terminal becomes the console.
# - The console redraws what is written to it with escape codes, so the
#   texts are compared from standard output redirected to a file.
# - Wine only gives that console to a program whose standard input is the
#   terminal; a program run with its input from a file has none. So the
#   injector hands a file to kelvarn as standard input itself.
# - When its own input ends, `script` types an end-of-file character into
#   the terminal, which the console queues as key events: its input is a
#   FIFO held open for reading and writing, which never ends.

set -u

if [[ $# -ne 1 || ! -d $1 ]]; then
  echo "usage: $0 WINDOWS_BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
kelvarn=$build/kelvarn.exe
injector=$build/inject_keys.exe
for program in "$kelvarn" "$injector" "$build/CMakeCache.txt"; do
  if [[ ! -f $program ]]; then
    echo "missing $program" >&2
    exit 2
  fi
done
for tool in wine wineboot wineserver script timeout setsid; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool not found: the Windows build cannot be run here" >&2
    exit 77
  fi
done

cache_value() {
  sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"
}
version=$(cache_value CMAKE_PROJECT_VERSION)
web_address=$(cache_value KELVARN_WEB_ADDRESS)
if [[ -z $version || -z $web_address ]]; then
  echo "no version or web address in $build/CMakeCache.txt" >&2
  exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kelvarn-wine.XXXXXX")
export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
# Mono and Gecko installers cannot run here and are not needed.
export WINEDLLOVERRIDES=mscoree,mshtml=

finish() {
  # The server otherwise lingers for seconds, holding our inherited pipes.
  timeout 20 wineserver -k >/dev/null 2>&1
  exec 7>&-
  rm -rf "$work"
}
trap finish EXIT

if ! timeout 180 wineboot -i >/dev/null 2>&1; then
  echo "wineboot failed: no Wine prefix" >&2
  exit 1
fi

mkfifo "$work/keyboard"
exec 7<>"$work/keyboard"

# Wine's drive Z: is the root of the Linux file system.
windows_path() {
  local path=${1//\//\\}
  printf 'Z:%s' "$path"
}
kelvarn_on_z=$(windows_path "$kelvarn")

# ---- expected texts, as app/kelvarn.cpp and waits/*.cpp write them ----

crlf() {
  printf '%s' "${1//$'\n'/$'\r\n'}"
}
usage_text=$'\nUsage: Kelvarn [options]\nOptions are:\n\n'
usage_text+=$'  /S:n      Wait "n" seconds before continuing.\n'
usage_text+=$'  /T:hh:mm  Wait until "hh:mm" before continuing.\n\n'
usage_text+=$'  /?        Display this help screen.\n'
notice_text=$'\n'"Kelvarn $version - pauses a script for a while or until a key is pressed"$'\n'
notice_text+=$'Copyright (C) 2026 The Kelvarn developers\n'
notice_text+="News and updates: $web_address"$'\n'
invalid_text=$'ERROR:  Invalid parameter(s)\n'
early_exit_text=$'** EARLY EXIT **\n'
press_text=$'\n(press a key to exit early and return ERRORLEVEL 1)  '
seconds_text() { printf 'Waiting %s seconds...%s' "$1" "$press_text"; }
until_text() { printf 'Waiting until %s...%s' "$1" "$press_text"; }

# ---- running a case ----

status=0
elapsed_ms=0
problems=""
passed=0
failed=0

# A Windows program whose terminal was taken away may keep running and slow
# down the cases after it: a timed-out case ends every process of the prefix.
stop_stragglers() {
  if [[ $status -eq 124 || $status -eq 137 ]]; then
    timeout 20 wineserver -k >/dev/null 2>&1
  fi
}

now_us() {
  local now=$EPOCHREALTIME
  printf '%s' "${now/./}"
}

# run_on_console LIMIT COMMAND...: runs COMMAND on a fresh Wine console with
# standard output and error going to files.
run_on_console() {
  local limit=$1
  shift
  local command
  command=$(printf '%q ' "$@")
  command+=" >$(printf '%q' "$work/out") 2>$(printf '%q' "$work/err")"
  : >"$work/out"
  : >"$work/err"
  local start
  start=$(now_us)
  SHELL=/bin/bash timeout -k 5 "$limit" script -qec "$command" /dev/null \
    <&7 >"$work/typescript" 2>&1
  status=$?
  elapsed_ms=$((($(now_us) - start) / 1000))
  stop_stragglers
}

# run_without_console LIMIT COMMAND...: runs COMMAND in a new session, with
# no terminal anywhere, as a scheduled task or a CI job would.
run_without_console() {
  local limit=$1
  shift
  local start
  start=$(now_us)
  timeout -k 5 "$limit" setsid -w "$@" </dev/null >"$work/out" 2>"$work/err"
  status=$?
  elapsed_ms=$((($(now_us) - start) / 1000))
  stop_stragglers
}

problem() {
  problems+="${problems:+; }$1"
}

expect_status() {
  if [[ $status -eq 124 || $status -eq 137 ]]; then
    problem "timed out"
  elif [[ $status -ne $1 ]]; then
    problem "status $status, expected $1"
  fi
}

expect_text() {
  crlf "$1" >"$work/expected"
  if ! cmp -s "$work/expected" "$work/out"; then
    local where
    where=$(cmp "$work/expected" "$work/out" 2>&1 | head -n 1)
    problem "output differs (${where#"$work/"})"
  fi
}

expect_elapsed_between() {
  if ((elapsed_ms < $1 || elapsed_ms >= $2)); then
    problem "took ${elapsed_ms} ms, expected $1 to $2 ms"
  fi
}

# The injected events must still head the console's queue after the run:
# that proves they were there during the wait and that none was consumed.
expect_events_still_queued() {
  if ! grep -q '^inject_keys: injected [1-9][0-9]*, queued [0-9]*, intact yes' "$work/err"; then
    problem "events not left in the queue: $(grep -m 1 '^inject_keys:' "$work/err" || echo "no report")"
  fi
}

end_case() {
  if [[ -z $problems ]]; then
    echo "PASS  $1"
    passed=$((passed + 1))
  else
    echo "FAIL  $1: $problems"
    failed=$((failed + 1))
  fi
  problems=""
}

# ---- cases ----

# Texts of the runs that do not wait: argument | status | text.
text_cases=(
  "|2|$usage_text$notice_text"
  "/?|0|$usage_text$notice_text"
  "/x|0|$invalid_text$usage_text$notice_text"
)
for entry in "${text_cases[@]}"; do
  IFS='|' read -r argument want_status _ <<<"$entry"
  # The text spans lines, which read stops at.
  want_text=${entry#*|*|}
  if [[ -z $argument ]]; then
    run_on_console 20 wine "$kelvarn"
    name="no argument"
  else
    run_on_console 20 wine "$kelvarn" "$argument"
    name="$argument"
  fi
  expect_status "$want_status"
  expect_text "$want_text"
  end_case "$name: texts with CRLF, status $want_status"
done

run_on_console 20 wine "$kelvarn" /S:1
expect_status 0
expect_text "$(seconds_text 1)$notice_text"
expect_elapsed_between 1000 10000
end_case "/S:1 waits its full second, status 0"

# A zone whose local clock stands a few seconds before a minute boundary, and
# three hours off UTC so that a program reading UTC cannot pass: the wait
# must end at that boundary and not before.
ahead=5
now=$(now_us)
now=$((now / 1000000))
offset=$((3 * 3600 + (now + ahead) % 60))
zone=$(printf 'XYZ+%02d:%02d:%02d' $((offset / 3600)) $((offset % 3600 / 60)) $((offset % 60)))
target=$(date -u -d "@$((now - offset + ahead))" +%H:%M)
run_on_console 30 env TZ="$zone" wine "$kelvarn" "/T:$target"
expect_status 0
expect_text "$(until_text "$target")$notice_text"
expect_elapsed_between $(((ahead - 2) * 1000)) $(((ahead + 10) * 1000))
end_case "/T:$target with TZ=$zone ends at the minute, status 0"

# A key cuts /S:5 short at the first look, one second in.
run_on_console 30 wine "$injector" a "$kelvarn_on_z" /S:5
expect_status 1
expect_text "$(seconds_text 5)$early_exit_text$notice_text"
expect_elapsed_between 1000 4000
expect_events_still_queued
end_case "key 'a' ends /S:5 after a second, status 1, key left queued"

# Console input that is not a key press: events | what it is.
not_key_cases=(
  "shift|Shift pressed alone"
  "release-a|a key released"
  "mouse|a mouse click"
  "ctrl,alt,capslock,numlock,scrolllock,focus,menu,size|other modifiers, lock keys, focus, menu, resize"
)
for entry in "${not_key_cases[@]}"; do
  IFS='|' read -r events what <<<"$entry"
  run_on_console 30 wine "$injector" "$events" "$kelvarn_on_z" /S:2
  expect_status 0
  expect_text "$(seconds_text 2)$notice_text"
  expect_elapsed_between 2000 10000
  expect_events_still_queued
  end_case "$what does not end /S:2, status 0"
done

# Key presses without a character, and a key behind a queue longer than one
# peek into a small buffer would cover: events | what it is.
key_cases=(
  "f5|F5"
  "shift+left|Shift+Left"
  "mouse*300,shift*100,b|'b' behind 400 other events"
)
for entry in "${key_cases[@]}"; do
  IFS='|' read -r events what <<<"$entry"
  run_on_console 30 wine "$injector" "$events" "$kelvarn_on_z" /S:2
  expect_status 1
  expect_text "$(seconds_text 2)$early_exit_text$notice_text"
  expect_events_still_queued
  end_case "$what ends /S:2, status 1"
done

# Keys come from the console, not from standard input.
printf 'line one\r\nline two\r\n' >"$work/input.txt"
run_on_console 30 wine "$injector" --input="$(windows_path "$work/input.txt")" a \
  "$kelvarn_on_z" /S:5
expect_status 1
expect_text "$(seconds_text 5)$early_exit_text$notice_text"
expect_elapsed_between 1000 4000
expect_events_still_queued
end_case "key ends /S:5 with standard input from a file, status 1"

# A /T wait looks for a key before its first pause. The target is twelve
# hours away, so only the key can end it.
target=$(TZ=UTC0 date -d "+12 hours" +%H:%M)
run_on_console 30 env TZ=UTC0 wine "$injector" a "$kelvarn_on_z" "/T:$target"
expect_status 1
expect_text "$(until_text "$target")$early_exit_text$notice_text"
expect_elapsed_between 0 3000
expect_events_still_queued
end_case "key ends /T:$target at once, status 1"

# On a console the waiting text is there while the wait goes on, not only at
# the end: it is looked for in what the terminal received meanwhile. Wine's
# C run-time writes printf output up to each newline whatever the buffering,
# so the part after the last newline is what tells.
: >"$work/typescript"
SHELL=/bin/bash timeout -k 5 30 script -qec "wine $(printf '%q' "$kelvarn") /S:4" /dev/null \
  <&7 >"$work/typescript" 2>&1 &
waiter=$!
seen_while_waiting=no
for _ in $(seq 30); do
  sleep 0.1
  if grep -q 'return ERRORLEVEL 1)' "$work/typescript"; then
    if kill -0 "$waiter" 2>/dev/null; then seen_while_waiting=yes; fi
    break
  fi
done
wait "$waiter"
status=$?
expect_status 0
if [[ $seen_while_waiting != yes ]]; then
  problem "waiting text not on the console within 3 s while the wait ran"
fi
end_case "on a console the waiting text shows during /S:4"

# Without a console the key test never succeeds: every wait runs its course,
# and the output, now a file, still has CRLF.
run_without_console 20 wine "$injector" a "$kelvarn_on_z" /S:1
if [[ $status -ne 101 ]]; then
  problem "a console was found (injector status $status), the case proves nothing"
fi
run_without_console 20 wine "$kelvarn" /S:2
expect_status 0
expect_text "$(seconds_text 2)$notice_text"
expect_elapsed_between 2000 10000
end_case "without a console /S:2 runs its full course, status 0"

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
