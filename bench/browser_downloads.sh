#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Real browsers downloading into a watched Downloads folder: headless Firefox
# ESR and Chromium fetch, from a local server, a short file (100 KB), a long
# one (20 MB over about 20 s), two that never finish (one the server cuts off
# after 5 s, one still stalled when the browser is ended) and the same URL
# twice. Per browser and run it prints the finished downloads, the toast's
# announcements, announcements of anything else (must be 0), downloads
# announced more than once (must be 0) and, per download, the time from the
# watcher's event for its finishing rename to its "Toast shows:" line.
#
# Neither way of breaking off a download is a cancel to these browsers: when
# the server closes the connection short of its Content-Length, Firefox marks
# the download failed and Chromium retries it, and when the browser is ended
# (SIGTERM; a clean quit through Marionette leaves the same) both keep the
# partial file to resume later. So the two broken downloads leave a
# `*.crdownload` (Chromium) or a `*.part` beside an empty placeholder at the
# final name (Firefox); these leftovers are not finished downloads.
#
# Everything runs in a private Xvfb with openbox, a private session bus and a
# throwaway HOME whose user-dirs point Downloads at a fresh folder. It installs
# nothing; besides the project's own dependencies it needs the browsers:
#   sudo apt-get install --no-install-recommends firefox-esr chromium
#
#   bench/browser_downloads.sh [path/to/vantle] [runs per browser] [firefox|chromium ...]
# The defaults are build/src/app/vantle, 2 runs, both browsers. KEEP=1 keeps
# the work folder (logs, Downloads) for a look afterwards. The exit status is
# 1 when a run announced anything but a finished download, announced one
# twice or left one unannounced.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
binary=$(realpath "${1:-build/src/app/vantle}")
runs=${2:-2}
browsers=("${@:3}")
[[ ${#browsers[@]} -gt 0 ]] || browsers=(firefox chromium)

declare -A command_of=([firefox]=firefox-esr [chromium]=chromium)
for browser in "${browsers[@]}"; do
  [[ -n "${command_of[$browser]:-}" ]] || { echo "unknown browser: $browser" >&2; exit 2; }
done
missing=()
for tool in Xvfb openbox dbus-run-session python3 "${command_of[@]}"; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "missing: ${missing[*]}; install firefox-esr and chromium with apt-get," \
    "the rest with scripts/install-deps.sh" >&2
  exit 1
fi
[[ -x "$binary" ]] || { echo "no program at $binary: build the vantle target first" >&2; exit 1; }

# A session bus of our own, so that neither the program nor the browsers reach
# the user's. The bus daemon's chatter (activations, its fd limit) stays out
# of the report: the script's own errors come through descriptor 3.
if [[ -z "${VANTLE_BROWSER_BENCH_BUS:-}" ]]; then
  exec 3>&2
  VANTLE_BROWSER_BENCH_BUS=1 exec dbus-run-session -- "$0" "$binary" "$runs" "${browsers[@]}" 2>/dev/null
fi
[[ -e /dev/fd/3 ]] && exec 2>&3 3>&-

work=$(mktemp -d /tmp/vantle-browser-bench-XXXXXX)
pids=()
# shellcheck disable=SC2317 # run by the EXIT trap
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [[ -n "${KEEP:-}" ]]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# A private X display with a window manager, for the toast.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r display_number <"$work/displayfd"
export DISPLAY=":$display_number"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)

# Appended to, so that each run can empty the log while the server writes on.
python3 "$here/browser_downloads_server.py" "$work/port" >>"$work/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -f "$work/port" ]] && break; sleep 0.05; done
port=$(<"$work/port")
# Starts each download after so many ms, in iframes of one page. The two
# requests of same.bin are apart so that the second finds the first done.
plan="short.bin:0,long.bin:500,cut.bin%3Fclose%3D5:1000,stall.bin:1500,same.bin:2500,same.bin:6000"
page="http://127.0.0.1:$port/driver?at=$plan"

# Waits up to $2 seconds for the command $1 to succeed.
wait_for() {
  local deadline=$((SECONDS + $2))
  until eval "$1"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}
# Files in Downloads that are finished downloads: neither partial nor empty
# (Firefox leaves an empty placeholder at the final name of a failed one).
finished_count() {
  find "$1" -maxdepth 1 -type f -size +0 ! -name '*.part' ! -name '*.crdownload' \
    ! -name '*.download' | wc -l
}

start_browser() {
  local browser=$1 profile=$2 downloads=$3
  mkdir -p "$profile"
  case $browser in
    firefox)
      cat >"$profile/user.js" <<EOF
user_pref("browser.download.dir", "$downloads");
user_pref("browser.download.folderList", 2);
user_pref("browser.download.useDownloadDir", true);
user_pref("browser.download.always_ask_before_handling_new_types", false);
user_pref("browser.download.alwaysOpenPanel", false);
user_pref("browser.download.manager.showWhenStarting", false);
user_pref("browser.helperApps.neverAsk.saveToDisk", "application/octet-stream");
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.enabled", false);
EOF
      firefox-esr --headless --no-remote --profile "$profile" "$page" >"$profile.log" 2>&1 &
      ;;
    chromium)
      # The sandbox cannot start as root; the page starts several downloads,
      # which Chromium otherwise asks about.
      mkdir -p "$profile/Default"
      cat >"$profile/Default/Preferences" <<EOF
{"download": {"default_directory": "$downloads", "prompt_for_download": false,
              "directory_upgrade": true},
 "profile": {"default_content_setting_values": {"automatic_downloads": 1}},
 "safebrowsing": {"enabled": false}}
EOF
      local sandbox=()
      [[ $(id -u) -ne 0 ]] || sandbox=(--no-sandbox)
      chromium --headless=new "${sandbox[@]}" --user-data-dir="$profile" --no-first-run \
        --no-default-browser-check --disable-gpu "$page" >"$profile.log" 2>&1 &
      ;;
  esac
  browser_pid=$!
}

run_once() {
  local browser=$1 run=$2
  local dir="$work/$browser-$run"
  local home="$dir/home" downloads="$dir/home/Incoming"
  mkdir -p "$home/.config" "$downloads" "$dir/runtime"
  chmod 700 "$dir/runtime"
  # shellcheck disable=SC2016 # user-dirs.dirs takes $HOME literally
  echo 'XDG_DOWNLOAD_DIR="$HOME/Incoming"' >"$home/.config/user-dirs.dirs"
  : >"$work/server.log"

  env -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" \
    XDG_RUNTIME_DIR="$dir/runtime" QT_LOGGING_RULES='vantle.*=true' \
    QT_MESSAGE_PATTERN='%{time process} %{category} %{message}' \
    "$binary" >/dev/null 2>"$dir/vantle.log" &
  local vantle_pid=$!
  pids+=("$vantle_pid")
  wait_for "grep -q 'started watching: $downloads' '$dir/vantle.log'" 20 ||
    { echo "$browser run $run: the program did not start watching $downloads" >&2; return 1; }

  start_browser "$browser" "$dir/profile" "$downloads"
  pids+=("$browser_pid")
  # The four downloads that can finish, then their toasts.
  if ! wait_for "[[ \$(finished_count '$downloads') -ge 4 ]]" 90; then
    echo "$browser run $run: only $(finished_count "$downloads") downloads finished;" \
      "see $dir (run with KEEP=1)" >&2
  fi
  wait_for "[[ \$(grep -c ' Toast shows: ' '$dir/vantle.log') -ge 4 ]]" 5 || true
  # End the browser with the stalled download still open, then give whatever
  # it does to its partial files on the way out time to reach the program.
  kill -TERM "$browser_pid" 2>/dev/null || true
  wait_for "! kill -0 $browser_pid 2>/dev/null" 20 || kill -KILL "$browser_pid" 2>/dev/null || true
  sleep 2
  kill -TERM "$vantle_pid" 2>/dev/null || true
  wait "$vantle_pid" 2>/dev/null || true
  cp "$work/server.log" "$dir/server.log"

  python3 - "$browser" "$run" "$downloads" "$dir/vantle.log" <<'EOF' || failed=1
import os, re, sys
browser, run, downloads, log = sys.argv[1:]
partial = (".part", ".crdownload", ".download")
finished, leftovers = set(), []
for name in sorted(os.listdir(downloads)):
    path = os.path.join(downloads, name)
    if name.endswith(partial) or os.path.getsize(path) == 0:
        leftovers.append(name)
    else:
        finished.add(name)
event = re.compile(r"^\s*([\d.]+) \S+ EVENT: (.*) inode=\d+ flags=\[(.*)\] path=")
toast = re.compile(r"^\s*([\d.]+) \S+ Toast shows: (.*)$")
renamed, shown, events = {}, {}, []
for line in open(log, errors="replace"):
    if m := event.match(line):
        events.append(line.rstrip("\n"))
        if "renamed" in m[3].split(", ") and m[2] not in shown:
            renamed[m[2]] = float(m[1])
    elif m := toast.match(line):
        shown.setdefault(m[2], []).append(float(m[1]))
announced = sum(len(times) for times in shown.values())
strays = sorted(name for name in shown if name not in finished)
repeated = sorted(name for name, times in shown.items() if len(times) > 1)
silent = sorted(name for name in finished if name not in shown)
print(f"{browser} run {run}: finished {len(finished)}, announced {announced}, "
      f"announced but not finished {sum(len(shown[n]) for n in strays)}, "
      f"announced more than once {len(repeated)}, finished but not announced {len(silent)}")
for name in sorted(finished):
    if name in shown and name in renamed:
        delay = (shown[name][0] - renamed[name]) * 1000
        print(f"  {name}: finishing rename -> toast {delay:.0f} ms")
    elif name in shown:
        print(f"  {name}: announced, but no renamed event for it")
    else:
        print(f"  {name}: not announced")
if leftovers:
    print(f"  leftovers: {', '.join(leftovers)}")
for name in strays + repeated:
    print(f"  events of {name}:")
    for line in events:
        if f"EVENT: {name} inode=" in line:
            print(f"    {line.strip()}")
sys.exit(1 if strays or repeated or silent else 0)
EOF
}

echo "$(date -u '+%F %H:%M UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg)," \
  "$("${command_of[firefox]}" --version 2>/dev/null | head -1), $(chromium --version 2>/dev/null | tail -1)"
for browser in "${browsers[@]}"; do
  for run in $(seq "$runs"); do
    run_once "$browser" "$run"
  done
done
exit "${failed:-0}"
