# Sourced by scripts/run: starts a stand-in and reads the address it announces.
#
# start_helper name output-file address-pattern command...
# Starts the command in a session of its own (the terminal's Ctrl-C reaches only the caller) with its
# output in a fresh output file, appends its pid to the caller's pids array and waits until the
# stand-in has written a whole first line; the address is what the sed pattern (extended syntax, the
# address in its first group) takes from that line, and lands in helper_address. A file left by a
# previous run is removed first, so that only this stand-in's own line counts, and a line still
# being written is not read. Fails with an error (exit 1) when the stand-in ends first, announces no
# address, or says nothing within TARVO_HELPER_TIMEOUT seconds (default 30).
helper_address=
start_helper() {
  local name=$1 out=$2 pattern=$3; shift 3
  rm -f "$out"
  setsid "$@" > "$out" 2>&1 < /dev/null &
  local pid=$!
  pids+=("$pid")
  local limit=$(( SECONDS + ${TARVO_HELPER_TIMEOUT:-30} ))
  local line=
  # read succeeds only on a line ended by its line break
  until [ -f "$out" ] && IFS= read -r line < "$out"; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "$name did not start:" >&2; cat "$out" >&2 2>/dev/null || true
      exit 1
    fi
    if [ "$SECONDS" -ge "$limit" ]; then
      echo "$name announced no address within ${TARVO_HELPER_TIMEOUT:-30} s:" >&2; cat "$out" >&2 2>/dev/null || true
      exit 1
    fi
    sleep 0.1
  done
  helper_address=$(printf '%s\n' "$line" | sed -nE "s#$pattern#\\1#p")
  if [ -z "$helper_address" ]; then
    echo "$name announced no address: $line" >&2
    exit 1
  fi
}
