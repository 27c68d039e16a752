# Sourced by the set-up scripts (scripts/deps, scripts/windows): Debian packages installed when missing.
#
# apt_install_missing package...
# Installs those of the packages that are not installed (apt-get update, then install).
#
# apt_get arguments...
# apt-get, tried again every 5 s while another process holds the package manager's lock (a fresh cloud
# machine updates itself for its first minutes), for up to TARVO_APT_WAIT seconds (default 600). Says
# that it waits and for whom; a failure of any other kind, or a lock held past the limit, is returned.
apt_get() {
  local limit=${TARVO_APT_WAIT:-600} step=5 waited=0 output status busy
  output=$(mktemp)
  while :; do
    # Its status through a file: the pipe to tee, which shows apt's progress, would hide it.
    { LC_ALL=C apt-get "$@" 2>&1 && echo 0 >"$output.status" || echo $? >"$output.status"; } | tee "$output"
    status=$(cat "$output.status")
    busy=$(grep -m1 -E 'Could not get lock|Unable to acquire the dpkg frontend lock|Unable to lock' "$output" || true)
    rm -f "$output" "$output.status"
    if [ "$status" -eq 0 ] || [ -z "$busy" ]; then return "$status"; fi
    busy=${busy#E: }
    if [ "$waited" -ge "$limit" ]; then
      echo "The package manager is still busy after ${waited} s ($busy); try again later or set TARVO_APT_WAIT" >&2
      return "$status"
    fi
    if [ "$waited" -eq 0 ]; then
      echo "Waiting for the package manager, which another process is using ($busy): up to ${limit} s" >&2
    elif [ $((waited % 60)) -eq 0 ]; then
      echo "Still waiting for the package manager (${waited} s)" >&2
    fi
    sleep "$step"
    waited=$((waited + step))
  done
}

apt_install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt_get update
  apt_get install -y --no-install-recommends "${missing[@]}"
}
