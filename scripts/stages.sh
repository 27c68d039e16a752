# Sourced by the test command (scripts/test, after scripts/steps.sh) and by scripts/load-check: how a
# stage runs its tests and the builds beside them.
#
# ctest_tries stage folder ctest-arguments...
#   Runs ctest in the folder; when tests failed, those alone once more (--rerun-failed). The code is the
#   second try's. The one retry guards against the machine, yet a test that passed only there is named
#   (step_passed_at_second_try), so that a race cannot hide behind it.
# whole_tries stage command...
#   Runs a test program whole (googletest's output); when it fails, once more. When the second run
#   passes, names each test that failed the first (the run itself when none was named: a crash, a
#   time-out).
# build_ahead key command...
#   Runs the command in the background, giving way to the foreground (10 steps nicer), its output kept.
# beside key command...
#   The same, not nicer (the runs under Wine: they mostly wait, and the build beside them gives way).
# ahead_done key       waits for it, shows its output and returns its exit code.
# ahead_running key    whether it was started and not yet waited for.
# stages_end_with_command
#   However the command ends (its last line, a failure under set -e, SIGTERM, SIGHUP, SIGINT or a
#   time-out's signal), every process it started that still runs ends with it: the builds beside, the
#   runs under Wine, the step a signal cut short. Otherwise they would build on, orphaned, into the
#   folders the next run builds in.
# sanitizer_env folder
#   Exports the sanitizers' options the test command runs that build folder's tests with.

ctest_tries() {
  local stage=$1 dir=$2 code=0 first=() again=() name
  shift 2
  local failed_log=$dir/Testing/Temporary/LastTestsFailed.log
  # ctest writes the list only when a test failed: one an earlier call left would pass for this one's.
  rm -f "$failed_log"
  ctest --test-dir "$dir" --output-on-failure "$@" || code=$?
  [ $code -ne 0 ] && [ -s "$failed_log" ] || return $code
  mapfile -t first < <(lf_failed_tests "$failed_log")
  echo "== $stage: ${#first[@]} failed at the first try; once more"
  code=0
  # The filters are ignored: the tests of the list run.
  ctest --test-dir "$dir" --output-on-failure --rerun-failed "$@" || code=$?
  [ $code -eq 0 ] || mapfile -t again < <(lf_failed_tests "$failed_log")
  for name in "${first[@]}"; do
    lf_listed "$name" "${again[@]}" || step_passed_at_second_try "$stage" "$name"
  done
  return $code
}
lf_failed_tests() { # ctest's list: a line "number:name" each
  local line
  while IFS= read -r line; do echo "${line#*:}"; done <"$1"
}
lf_listed() { # name, list...
  local name=$1 each
  shift
  for each in "$@"; do [ "$each" != "$name" ] || return 0; done
  return 1
}

whole_tries() {
  local stage=$1 code=0 out first=() name
  shift
  out=$(mktemp)
  "$@" 2>&1 | tee "$out" || code=$?
  if [ $code -ne 0 ]; then
    mapfile -t first < <(sed -n 's/^\[  FAILED  \] \([^ ,]*\.[^ ,]*\).*/\1/p' "$out" | sort -u)
    [ ${#first[@]} -ne 0 ] || first=("the whole run (exit code $code)")
    echo "== $stage failed (exit code $code); once more, in the same order"
    code=0
    "$@" || code=$?
    if [ $code -eq 0 ]; then
      for name in "${first[@]}"; do step_passed_at_second_try "$stage" "$name"; done
    fi
  fi
  rm -f "$out"
  return $code
}

declare -A ahead_pids=() ahead_logs=()
build_ahead() {
  local key=$1
  shift
  beside "$key" lf_nicer "$@"
}
lf_nicer() { # command...: 10 steps nicer than the caller (nice cannot run a shell function)
  renice -n $(($(nice) + 10)) -p "$BASHPID" >/dev/null
  "$@"
}
beside() {
  local key=$1 monitor=$-
  shift
  ahead_logs[$key]=$(mktemp)
  # In a process group of its own (job control while it starts): a signal for the command's group (a
  # Ctrl-C, a time-out's) would end its processes one by one, and leave those with groups of their own
  # (under timeout, say) orphaned. The command's end stops it whole first (stages_end_with_command).
  set -m
  (
    "$@"
  ) </dev/null >"${ahead_logs[$key]}" 2>&1 &
  ahead_pids[$key]=$!
  [[ $monitor == *m* ]] || set +m
}
ahead_done() {
  local key=$1 code=0
  wait "${ahead_pids[$key]}" || code=$?
  cat "${ahead_logs[$key]}"
  rm -f "${ahead_logs[$key]}"
  unset "ahead_pids[$key]" "ahead_logs[$key]"
  return $code
}
ahead_running() {
  [ -n "${ahead_pids[$1]:-}" ]
}

stages_end_with_command() {
  trap lf_end_started EXIT
  # Bash goes on after a step that a Ctrl-C ended when that step exits by itself (ctest does): the
  # command ends there instead. SIGTERM and SIGHUP end it at once, through the trap above.
  trap 'exit 130' INT
}
# Every process this shell started that still runs is stopped first, so that none starts another
# unseen, then ended (SIGKILL after a minute: a process's own clean-up, such as the end of the Wine
# server in scripts/windows, has that long). Read from /proc by builtins alone, so that the search
# starts no process of its own.
lf_end_started() {
  local -A found=()
  local round pid count alive
  trap '' PIPE # the output may be a pipe whose reader a Ctrl-C ended
  for ((round = 0; round < 100; round++)); do
    count=${#found[@]}
    lf_descendants "$BASHPID"
    for pid in "${lf_pids[@]}"; do
      [ -z "${found[$pid]:-}" ] || continue
      kill -STOP "$pid" 2>/dev/null || continue
      lf_started "$pid"
      [ -z "$lf_start" ] || found[$pid]=$lf_start
    done
    [ ${#found[@]} -ne "$count" ] || break
  done
  [ ${#found[@]} -ne 0 ] || return 0
  kill -TERM "${!found[@]}" 2>/dev/null || true
  kill -CONT "${!found[@]}" 2>/dev/null || true
  local deadline=$((SECONDS + 60))
  while :; do
    alive=()
    for pid in "${!found[@]}"; do
      lf_started "$pid"
      [ "$lf_start" != "${found[$pid]}" ] || alive+=("$pid")
    done
    [ ${#alive[@]} -ne 0 ] && [ $SECONDS -lt $deadline ] || break
    sleep 0.1
  done
  [ ${#alive[@]} -eq 0 ] || kill -KILL "${alive[@]}" 2>/dev/null || true
  echo "== the command ends; so did the ${#found[@]} processes it had started that still ran" 2>/dev/null || true
}
# lf_pids: the descendants of a process that have not ended.
lf_descendants() { # pid
  local -A children=()
  local entry line queue pid
  for entry in /proc/[0-9]*; do
    IFS= read -r line 2>/dev/null <"$entry/stat" || continue
    line=${line##*) } # after the name, which may hold anything: the state, the parent...
    [ "${line%% *}" != Z ] || continue
    line=${line#* }
    children[${line%% *}]+=" ${entry#/proc/}"
  done
  lf_pids=()
  queue=(${children[$1]:-})
  while [ ${#queue[@]} -ne 0 ]; do
    pid=${queue[0]}
    queue=("${queue[@]:1}" ${children[$pid]:-})
    lf_pids+=("$pid")
  done
}
# lf_start: when a process started (clock ticks since the boot), empty once it has ended; a pid the
# system has given to another process since does not count as the one that was stopped.
lf_started() { # pid
  local line fields
  lf_start=
  IFS= read -r line 2>/dev/null <"/proc/$1/stat" || return 0
  read -r -a fields <<<"${line##*) }"
  [ "${fields[0]}" = Z ] || lf_start=${fields[19]}
}

sanitizer_env() {
  case ${1%/} in
    *asan) export ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
             UBSAN_OPTIONS=print_stacktrace=1 ;;
    *tsan) export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" ;;
  esac
}
