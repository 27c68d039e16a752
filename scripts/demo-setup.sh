# Sourced by the run commands (scripts/run, scripts/windows-session): the demonstration's files and its
# stand-ins. Needs scripts/start-helper.sh sourced and the tools built in build/.
#
# xml_text text
# The text as it may stand in an XML attribute: & < > " ' as entities, so that a folder named "R&D"
# does not break "parameters.xml".
xml_text() {
  printf '%s' "$1" | sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g' -e "s/'/\&apos;/g"
}

# demo_lay_out program packages scenario downloads
# Writes the demonstration scenario (made by our generator) into the scenario folder with its installed
# liveries in the packages' Community folder; gives the program folder the airports database that
# dist/input ships, fresh each run, adding the demonstration field's entry only when no airport has its
# code, with its stock parking file in the downloads folder ("MSFS/archive/stock/") and, when the
# program folder has none, its learned file with the share of stands it wants parked; and puts an
# add-on airport package of an unknown publisher in the Community folder, which the first start's
# airport scan finds (see "output/info/AirportsScanLog.txt").
demo_lay_out() {
  local program=$1 packages=$2 scenario=$3 downloads=$4
  mkdir -p "$program/input" "$packages/Community" "$downloads"
  build/tools/scenario_gen "$scenario" --community "$packages/Community"
  cp dist/input/airports_msfs.xml dist/input/airports_msfs_names.xml "$program/input/"
  build/tools/airport_gen demo "$program/input" "$downloads" "$program/airports/learned"
  build/tools/airport_gen addon "$packages/Community"
}

# demo_start_stand_ins logs scenario downloads license
# Starts the traffic stand-in on the scenario unless TARVO_TRAFFIC_URL names a service (it accepts any
# credential, so a placeholder license file is written when there is none), and the download stand-in
# on the downloads folder unless TARVO_DOWNLOAD_URL names one; it offers the program's own version, so
# the update check finds it current, and the generated aircraft database. Exports both addresses; the
# stand-ins' output goes to the logs folder. TARVO_STAND_IN_CERT and TARVO_STAND_IN_KEY (the files of a
# certificate and its key) have both serve HTTPS.
demo_start_stand_ins() {
  local logs=$1 scenario=$2 downloads=$3 license=$4
  local tls=()
  [ -z "${TARVO_STAND_IN_CERT:-}" ] || tls=(--tls "$TARVO_STAND_IN_CERT" "$TARVO_STAND_IN_KEY")
  if [ -z "${TARVO_TRAFFIC_URL:-}" ]; then
    start_helper "traffic stand-in" "$logs/traffic_server.out" '^(https?://[^ ]+)$' build/tools/traffic_server \
      --port "${TARVO_TRAFFIC_PORT:-0}" --scenario "${TARVO_TRAFFIC_SCENARIO:-$scenario/traffic_scenario.json}" \
      "${tls[@]}"
    export TARVO_TRAFFIC_URL=$helper_address
    mkdir -p "$(dirname "$license")"
    [ -s "$license" ] || echo "stand-in" > "$license"
  fi
  if [ -z "${TARVO_DOWNLOAD_URL:-}" ]; then
    mkdir -p "$downloads/release"
    local version
    version=$(sed -n 's/^project(tarvo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    [ -f "$downloads/release/version.json" ] || echo "$version" > "$downloads/release/version.json"
    cp "$scenario/dbase.zip" "$downloads/dbase.zip"
    start_helper "download stand-in" "$logs/download_server.out" '^serving .* at (https?://[^ ]+)$' \
      build/tools/download_server "${tls[@]}" "$downloads"
    export TARVO_DOWNLOAD_URL=$helper_address
  fi
}
