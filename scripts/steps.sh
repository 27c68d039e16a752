# Sourced by the test command's scripts (scripts/test, scripts/windows): every step that fails says so
# in one line, and the last line lists them, so that a failed run names its failures however long its
# output.
#
# step name command...   runs the command; when it fails, prints "== FAILED: name (exit code N)" and
#                        keeps the name for steps_end. Returns the command's code.
# step_skipped name why  prints "== SKIPPED: name: why".
# step_passed_at_second_try stage test
#                        prints "== PASSED ONLY AT ITS SECOND TRY: stage: test" and keeps it for
#                        steps_end: a retry that turned a failure green leaves the status as it is, but
#                        the last line names it (a race shows itself that way).
# steps_report_aborts    a command that ends the script (set -e) says so too: "== FAILED: command
#                        (exit code N, file line L)"; one that fails where the script goes on is silent.
# steps_end [what] [note]
#                        prints "== what, status 0 note", or "== what, status 1 note; failed: " and the
#                        failed steps (what: "done" unless given), and exits with that status; then
#                        "; passed only at the second try: " and those tests, if any.
steps_failed=()
steps_second_try=()

step() {
  local name=$1 code=0
  shift
  "$@" || code=$?
  if [ $code -ne 0 ]; then
    echo "== FAILED: $name (exit code $code)"
    steps_failed+=("$name (exit code $code)")
  fi
  return $code
}

step_skipped() {
  echo "== SKIPPED: $1: $2"
}

step_passed_at_second_try() {
  echo "== PASSED ONLY AT ITS SECOND TRY: $1: $2"
  steps_second_try+=("$1: $2")
}

steps_report_aborts() {
  set -E
  trap 'steps_aborted $? "$BASH_COMMAND" "${BASH_SOURCE[0]}" "$LINENO"' ERR
}
steps_aborted() { # code, command, file, line
  [ "$BASHPID" = "$$" ] || return 0 # a command substitution's or a subshell's: its caller's code decides
  echo "== FAILED: $2 (exit code $1, ${3##*/} line $4)"
}

steps_end() {
  local line="== ${1:-done}, status" note=${2:+ $2} status=0 list
  if [ ${#steps_failed[@]} -ne 0 ]; then
    status=1
    list=$(printf '; %s' "${steps_failed[@]}")
    note+="; failed: ${list:2}"
  fi
  if [ ${#steps_second_try[@]} -ne 0 ]; then
    list=$(printf ', %s' "${steps_second_try[@]}")
    note+="; passed only at the second try: ${list:2}"
  fi
  echo "$line $status$note"
  exit $status
}
