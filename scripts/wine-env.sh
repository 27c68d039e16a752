# Sourced by the Windows scripts: Wine on a display, ready to run Windows programs.
#
# wine_start prefix [display]
# Sets WINEPREFIX and DISPLAY, starts a virtual display of our own unless a display is given, and only
# then prepares the prefix: a Wine started without a display has no display driver for good. Waits for
# Wine to settle (wineserver -w). Returns 1 with the reason in wine_failure when Wine cannot run here.
# wine_stop ends Wine's server and our display.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo "$(dirname "$wine")/wineserver")
wine_failure=
wine_xvfb=
wine_start() {
  local prefix=$1 display=${2:-}
  export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -z "$display" ]; then
    for n in $(seq 90 130); do
      if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
    done
    # A session of its own, so that a Ctrl-C for the caller does not end the display under the program.
    setsid Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    wine_xvfb=$!
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  fi
  export DISPLAY=$display
  local out
  if ! out=$(timeout 300 "$wine" wineboot --init 2>&1); then
    wine_failure=$(echo "$out" | tail -1)
    return 1
  fi
  timeout 120 "$wineserver" -w || true
}
wine_stop() {
  timeout 30 "$wineserver" -k 2>/dev/null || true
  [ -z "$wine_xvfb" ] || kill "$wine_xvfb" 2>/dev/null || true
}
