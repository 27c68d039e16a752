# Sourced by the Windows scripts: Wine on a display, ready to run Windows programs.
#
# wine_start prefix [display]
# Sets WINEPREFIX and DISPLAY, starts a virtual display of our own unless a display is given, and only
# then prepares the prefix: a Wine started without a display has no display driver for good. Waits for
# Wine to settle (wineserver -w). Returns 1 with the reason in wine_failure when Wine cannot run here,
# having ended what it started.
# wine_stop ends Wine's server of the prefix and our display; the caller traps it on EXIT before
# wine_start, so that no display outlives the script on any path.
#
# wine_as_user build-folder
# Run as root, "$wine" and "$wineserver" become wrappers that run Wine as the unprivileged user
# tarvo-wine (made once; home /var/lib/tarvo-wine), as a Windows user runs the program: Wine run by
# root passes read-only attributes. That user may not reach the work tree (a clone in a folder only
# root may enter), so the runs take place in a folder of its own for the build folder, wine_area
# ($home/stage-<hash>), where the caller stages what Wine needs; a folder whose build folder is gone
# goes at the next call. Run as another user, Wine runs as that user and wine_area stays empty.
# wine_give path... makes what root wrote there the user's (nothing to do without wine_area).
#
# spanish_locale folder
# Sets spanish_env to the variables that run a program in Spanish (es_ES.UTF-8): the system's locale
# where it has one, else one generated into folder (once, and again when the one there does not take),
# named by LOCPATH. Glibc looks nowhere but LOCPATH while it is set, so it is set only for a generated
# locale. Returns 1, saying why, when the locale cannot be had or does not take.
#
# wine_run command...
# Runs a command that runs a Windows program under Wine, its output shown. A run that Wine itself ended
# (its client lost the server, or no server came up: wine_own_errors) before the program reported a
# failure (a line with "FAILED") is run once more, saying so; the code is then the second run's. A
# failure the program reported, a crash and a time-out are never run again.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo "$(dirname "$wine")/wineserver")
wine_user=tarvo-wine
wine_area=
wine_as_user() {
  [ "$(id -u)" -eq 0 ] || return 0
  local home=/var/lib/$wine_user build area wrappers
  for _ in $(seq 1 20); do # another run may be adding the user at this moment
    id -u "$wine_user" >/dev/null 2>&1 && break
    useradd --system --user-group --create-home --home-dir "$home" --shell /usr/sbin/nologin "$wine_user" \
      2>/dev/null || sleep 0.5
  done
  id -u "$wine_user" >/dev/null || return 1
  build=$(cd "$1" && pwd)
  for area in "$home"/stage-*; do
    [ ! -f "$area/build" ] || [ -d "$(cat "$area/build")" ] || rm -rf "$area"
  done
  area=$home/stage-$(printf '%s' "$build" | sha256sum | cut -c1-12)
  mkdir -p "$area"
  echo "$build" >"$area/build"
  chown -h "$wine_user:" "$area"
  # The wrappers stay where only root writes; each is replaced whole, as another script may run it.
  wrappers=$build/wine-user
  mkdir -p "$wrappers"
  local program
  for program in "$wine" "$wineserver"; do
    printf '#!/bin/bash\nexec setpriv --reuid=%q --regid=%q --clear-groups env -u XDG_RUNTIME_DIR HOME=%q USER=%q LOGNAME=%q %q "$@"\n' \
      "$wine_user" "$wine_user" "$home" "$wine_user" "$wine_user" "$program" >"$wrappers/.new"
    chmod 755 "$wrappers/.new"
    mv -f "$wrappers/.new" "$wrappers/${program##*/}"
  done
  wine=$wrappers/${wine##*/}
  wineserver=$wrappers/${wineserver##*/}
  wine_area=$area
}
wine_give() {
  [ -z "$wine_area" ] || chown -R -h "$wine_user:" "$@"
}
wine_failure=
wine_xvfb=
wine_start() {
  local prefix=$1 display=${2:-}
  export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -z "$display" ]; then
    # Xvfb takes the first free display number itself and writes it once it listens: scripts and tests
    # running at the same time never race for one.
    local announced
    announced=$(mktemp)
    # A session of its own, so that a Ctrl-C for the caller does not end the display under the program.
    setsid Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$announced" >/dev/null 2>&1 &
    wine_xvfb=$!
    for _ in $(seq 1 300); do
      [ ! -s "$announced" ] && kill -0 "$wine_xvfb" 2>/dev/null || break
      sleep 0.1
    done
    display=$(head -1 "$announced")
    rm -f "$announced"
    if [ -z "$display" ]; then
      wine_failure="Xvfb did not start"
      wine_stop
      return 1
    fi
    display=:$display
  fi
  export DISPLAY=$display
  # Into a file, not a pipe: the services wineboot starts keep its output open, for good when their
  # server is gone.
  local out status=0
  out=$(mktemp)
  timeout 300 "$wine" wineboot --init >"$out" 2>&1 || status=$?
  [ $status -eq 0 ] || wine_failure=$(tail -1 "$out")
  rm -f "$out"
  if [ $status -ne 0 ]; then
    [ -n "$wine_failure" ] || wine_failure="wineboot ended with code $status"
    wine_stop
    return 1
  fi
  timeout 120 "$wineserver" -w || true
}
wine_stop() {
  [ -z "${WINEPREFIX:-}" ] || timeout 30 "$wineserver" -k 2>/dev/null || true
  if [ -n "$wine_xvfb" ]; then
    kill "$wine_xvfb" 2>/dev/null || true
    wait "$wine_xvfb" 2>/dev/null || true
    wine_xvfb=
  fi
}
wine_own_errors='^wine client error:|^wine: .*(wineserver|wine server)'
wine_run() {
  local out code cause
  out=$(mktemp)
  wine_run_once "$out" "$@" && code=0 || code=$?
  cause=$(grep -m1 -E "$wine_own_errors" "$out" || true)
  if [ $code -ne 0 ] && [ -n "$cause" ] && ! grep -q 'FAILED' "$out"; then
    echo "== Wine itself ended the run ($cause, exit code $code); once more"
    wine_run_once "$out" "$@" && code=0 || code=$?
  fi
  rm -f "$out"
  return $code
}
# Into a file shown as it grows, not a pipe: a Wine process that outlives the program would hold a pipe
# open.
wine_run_once() { # output file, command...
  local out=$1 pid code=0
  shift
  "$@" >"$out" 2>&1 &
  pid=$!
  tail -n +1 -f -s 0.2 --pid="$pid" "$out"
  wait "$pid" || code=$?
  return $code
}
spanish_env=()
spanish_locale() {
  local folder=$1 name=es_ES.UTF-8
  spanish_env=(LANG=$name LC_ALL=$name)
  if ! locale -a 2>/dev/null | grep -qix 'es_ES\.utf-\?8'; then
    spanish_env=(LOCPATH="$folder" "${spanish_env[@]}")
    # One an earlier run generated serves; one that does not take (a run cut short while it was made)
    # is made anew.
    if ! lf_spanish_takes; then
      if ! command -v localedef >/dev/null || [ ! -e /usr/share/i18n/locales/es_ES ]; then
        apt_install_missing locales
      fi
      rm -rf "${folder:?}/$name"
      mkdir -p "$folder"
      # Its warnings end it with code 1 too: whether the locale takes is asked below.
      localedef -i es_ES -f UTF-8 "$folder/$name" || echo "localedef ended with exit code $?"
    fi
  fi
  lf_spanish_takes || {
    echo "the Spanish locale does not take (${spanish_env[*]}: character map \"$(lf_spanish_charmap)\")"
    return 1
  }
}
lf_spanish_charmap() { env "${spanish_env[@]}" locale charmap 2>/dev/null || true; }
lf_spanish_takes() { [ "$(lf_spanish_charmap)" = UTF-8 ]; }
