#!/usr/bin/env bash
# Job control on a real interactive shell: Ctrl+Z, fg, and background jobs.
# These only show under a shell with job control, so each case drives
# `bash -i` in a tmux server of its own. Usage: job_control_test.sh KELVARN
set -u
kelvarn=$1
work=$(mktemp -d)
cd "$work" || exit 1
# A tmux server of its own for each case: a server that is still shutting
# down must not meet the next one on the same socket.
cases_started=0
socket=""
passed=0
failed=0
export TERM=xterm

cleanup() {
  for ((i = 1; i <= cases_started; i++)); do
    tmux -L "kelvarn-test-$$-$i" kill-server 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

tm() { tmux -L "$socket" "$@"; }

# Waits up to $2 seconds (default 10) for file $1 to exist and be non-empty.
wait_for_file() {
  local deadline=$((SECONDS + ${2:-10}))
  while [ ! -s "$1" ]; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.1
  done
}

wait_for_screen() {
  local deadline=$((SECONDS + ${2:-10}))
  until tm capture-pane -p -t "$pane" | grep -q -- "$1"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.1
  done
}

wait_for_pane_end() {
  local deadline=$((SECONDS + ${1:-10}))
  until [ "$(tm display-message -p -t "$pane" '#{pane_dead}')" = 1 ]; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.1
  done
}

# The exit status of the pane's program. Now and then tmux marks a pane dead
# without reaping its program; the zombie's status is then read from /proc
# (the exit_code field of its stat, in wait status form).
pane_exit_status() {
  local status pid code
  status=$(tm display-message -p -t "$pane" '#{pane_dead_status}')
  if [ -z "$status" ]; then
    pid=$(tm display-message -p -t "$pane" '#{pane_pid}')
    code=$(awk '{ print $52 }' "/proc/$pid/stat" 2>/dev/null)
    [ -n "$code" ] && status=$(((code >> 8) & 255))
  fi
  echo "$status"
}

# Waits until the terminal's settings, read from outside, match $1.
wait_for_mode() {
  local deadline=$((SECONDS + ${2:-5}))
  until stty -F "$tty" -a | grep -q -- "$1"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.1
  done
}

check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
    tm capture-pane -p -t "$pane" | sed '/^$/d; s/^/  | /'
  fi
}

new_server() {
  [ -n "$socket" ] && tm kill-server 2>/dev/null
  cases_started=$((cases_started + 1))
  socket="kelvarn-test-$$-$cases_started"
}

start_shell() {
  new_server
  tm -f /dev/null new-session -d -x 120 -y 40 "bash --norc --noprofile -i"
  pane=$(tm display-message -p '#{pane_id}')
  tty=$(tm display-message -p '#{pane_tty}')
  tm send-keys -t "$pane" "cd $work; PS1='ready\$ '" Enter
  wait_for_screen 'ready\$'
}

type_line() { tm send-keys -t "$pane" -l "$1"; tm send-keys -t "$pane" Enter; }

same_file() { cmp -s "$1" "$2"; }
has_text() { grep -q -- "$2" "$1"; }

# Ctrl+Z puts the user's settings back and stops the program; fg takes the
# wait mode again, and a key still ends the wait.
case_stop_and_resume() {
  start_shell
  rm -f before status after
  type_line "stty -g > before; '$kelvarn' /S:30; echo status=\$? > status; stty -g > after"
  check "the wait mode is set during the wait" \
    eval 'wait_for_screen "press a key" && wait_for_mode "-icanon .*-echo "'
  tm send-keys -t "$pane" C-z
  check "Ctrl+Z stops the job" wait_for_screen "Stopped"
  type_line "stty -g > stopped"
  check "the user's settings are back while stopped" \
    eval 'wait_for_file stopped && same_file before stopped'
  type_line "fg"
  check "fg takes the wait mode again" wait_for_mode "-icanon .*-echo "
  tm send-keys -t "$pane" -l x
  check "a key ends the resumed wait with status 1" \
    eval 'wait_for_file status 10 && has_text status status=1'
  check "the settings after the wait are the user's" \
    eval 'wait_for_file after && same_file before after'
}

# A background job leaves the terminal alone, is not stopped, and does not
# take the keys typed for the foreground.
case_background() {
  start_shell
  rm -f before during status after
  type_line "stty -g > before; '$kelvarn' /S:3 > /dev/null & sleep 1.5; stty -g > during; jobs -l > jobs; wait \$!; echo status=\$? > status; stty -g > after"
  sleep 0.5
  tm send-keys -t "$pane" -l y
  check "a background wait runs its course despite a key" \
    eval 'wait_for_file status 10 && has_text status status=0'
  check "a background wait is not stopped" \
    eval 'wait_for_file jobs && has_text jobs Running'
  check "a background wait leaves the settings alone" \
    eval 'same_file before during && same_file before after'
}

# Started in the background, then brought to the foreground: the key test
# takes the wait mode there, and the settings come back at the end.
case_background_then_foreground() {
  start_shell
  rm -f before status after
  type_line "stty -g > before; '$kelvarn' /S:30 > /dev/null &"
  wait_for_screen 'ready\$.*ready\$' 5 || sleep 0.5
  type_line "fg; echo status=\$? > status; stty -g > after"
  check "fg gives a background wait the wait mode" wait_for_mode "-icanon .*-echo "
  tm send-keys -t "$pane" -l x
  check "a key ends it with status 1" \
    eval 'wait_for_file status 10 && has_text status status=1'
  check "the settings after it are the user's" \
    eval 'wait_for_file after && same_file before after'
}

# As a session leader (a tmux window running the program itself) Ctrl+Z
# cannot stop it: the wait mode must come back at once and the wait goes on.
case_session_leader() {
  new_server
  tm -f /dev/null new-session -d -x 120 -y 40 "'$kelvarn' /S:30"
  tm set-option -g remain-on-exit on
  pane=$(tm display-message -p '#{pane_id}')
  tty=$(tm display-message -p '#{pane_tty}')
  check "a session leader sets the wait mode" \
    eval 'wait_for_screen "press a key" && wait_for_mode "-icanon .*-echo "'
  tm send-keys -t "$pane" C-z
  sleep 1.5
  check "after Ctrl+Z it is still waiting in the wait mode" \
    eval '[ "$(tm display-message -p -t "$pane" "#{pane_dead}")" = 0 ] && wait_for_mode "-icanon .*-echo "'
  tm send-keys -t "$pane" -l x
  check "a key still ends it with status 1" \
    eval 'wait_for_pane_end 5 && wait_for_screen "EARLY EXIT" 1 && [ "$(pane_exit_status)" = 1 ]'
}

case_stop_and_resume
case_background
case_background_then_foreground
case_session_leader
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
