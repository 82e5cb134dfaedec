#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders every surface of the built program to PNG, at 1x and 2x, on a
# private X display (Xvfb with openbox and a tray), driving it as a user would.
#   scripts/gallery.sh OUTDIR [BUILD_DIR]
# OUTDIR/1x/NN-name.png and OUTDIR/2x/NN-name.png; each picture is the union
# of the program's visible windows, with a margin of the desktop around it.
set -euo pipefail
out=${1:?usage: scripts/gallery.sh OUTDIR [BUILD_DIR]}
build=${2:-build}
cd "$(dirname "$0")/.."
binary=$PWD/$build/src/app/vantle
[[ -x $binary ]] || { echo "gallery: $binary is not built" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)

if [[ -z ${GALLERY_SESSION:-} ]]; then
  # Each scale on a display, window manager, tray and session bus of its own, side by side.
  jobs=()
  for scale in ${GALLERY_SCALES:-1 2}; do
    GALLERY_SESSION=1 GALLERY_SCALE=$scale scripts/xvfb-session.sh --no-wm \
      dbus-run-session -- "$0" "$out/${scale}x" "$build" 2> >(grep -v 'fd limit' >&2) &
    jobs+=($!)
  done
  status=0
  for job in "${jobs[@]}"; do wait "$job" || status=1; done
  echo "gallery: $(find "$out" -name '*.png' | wc -l) pictures in $out"
  exit $status
fi

scale=$GALLERY_SCALE
home=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT
# A desktop that is neither black nor white, so that every edge shows.
display -window root -size 1920x1080 gradient:'#5b7fa6-#c9a46b' 2>/dev/null || true
openbox >/dev/null 2>&1 &
pids+=($!)
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)

mkdir -p "$home/Downloads" "$home/runtime" "$home/Projects/Alpha" "$home/Projects/Archive"
chmod 700 "$home/runtime"
downloads=$home/Downloads
export HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config
export XDG_CACHE_HOME=$home/.cache XDG_RUNTIME_DIR=$home/runtime BROWSER=true
export QT_SCALE_FACTOR=$scale
unset QT_QPA_PLATFORM QT_LOGGING_RULES
"$binary" >/dev/null 2>&1 &
vantle=$!
pids+=("$vantle")

# Waits up to 20 s for a command to succeed.
until_ok() {
  for _ in $(seq 200); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "gallery: gave up waiting for: $*" >&2
  return 1
}
until_ok test -f "$home/.config/autostart/vantle.desktop"

# The program's visible windows as "x y w h" lines.
windows() {
  for id in $(xdotool search --onlyvisible --pid "$vantle" 2>/dev/null); do
    xwininfo -id "$id" 2>/dev/null | awk '
      /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
      /Width:/ {w=$NF} /Height:/ {h=$NF} END {if (w > s && h > s) print x, y, w, h}' s=$((40 * scale))
  done
}
n=0
# Saves the part of the screen the program's windows cover.
shot() {
  sleep 0.6 # the springs and fades settle
  local box
  box=$(windows | awk -v m=$((12 * scale)) '
    NR == 1 {l=$1; t=$2; r=$1+$3; b=$2+$4}
    {if ($1<l) l=$1; if ($2<t) t=$2; if ($1+$3>r) r=$1+$3; if ($2+$4>b) b=$2+$4}
    END {if (NR) {l-=m; t-=m; r+=m; b+=m; if (l<0) l=0; if (t<0) t=0;
         if (r>1920) r=1920; if (b>1080) b=1080; printf "%dx%d+%d+%d", r-l, b-t, l, t}}')
  [[ -n $box ]] || { echo "gallery: nothing on screen for $1" >&2; return 0; }
  n=$((n + 1))
  import -window root -crop "$box" +repage "$out/$(printf %02d $n)-$1.png"
}
key() { xdotool key --delay 40 "$@"; }
# The toast panel is the one window as wide as 820 points.
toast_up() { windows | awk -v w=$((800 * scale)) '$3 >= w {found=1} END {exit !found}'; }
toast_gone() { ! toast_up; }
# Centre of the screen's top edge, in pixels.
cx=960
island_y=$(((14 + 8 + 26) * scale))

download() { # name [origin]
  head -c 1200 /dev/urandom >"$downloads/.$1.tmp"
  [[ -z ${2:-} ]] || python3 -c 'import os, sys; os.setxattr(sys.argv[1], "user.xdg.origin.url", sys.argv[2].encode())' \
    "$downloads/.$1.tmp" "$2" 2>/dev/null || true
  mv "$downloads/.$1.tmp" "$downloads/$1"
}

mkdir -p "$out"
# The tray's popover, empty.
tray_icon() {
  for panel in $(xdotool search --class trayer 2>/dev/null); do
    xwininfo -tree -id "$panel" | awk '/"vantle" "Vantle"/ {print $1; exit}'
  done | head -1
}
popover_up() { windows | awk -v w=$((360 * scale)) '$3 == w {found=1} END {exit !found}'; }
open_popover() {
  until_ok test -n "$(tray_icon)"
  xdotool mousemove --window "$(tray_icon)" 8 8 click 1
  until_ok popover_up
}
open_popover
shot popover-empty
key Escape
until_ok test "$(windows | wc -l)" -eq 0

# Each group of pictures gets a toast of its own, so that its seven seconds
# never run out on a slow machine between two pictures.
fresh_toast() { # name [origin]
  if toast_up; then
    key Escape Escape
    until_ok toast_gone
  fi
  download "$@"
  until_ok toast_up
}
# The toast, one file, then hovered, with a keycap's tooltip and with Alt held.
xdotool mousemove 40 900
fresh_toast "Quarterly_report_final_v2.pdf" "https://downloads.example.org/reports/q3.pdf"
shot toast
xdotool mousemove "$cx" "$island_y"
shot toast-hover
xdotool keydown alt
shot toast-alt
xdotool keyup alt
sleep 1 # a tooltip wakes up after a pause
shot toast-tooltip
xdotool mousemove 40 900
# Its panels.
fresh_toast "Invoice_2026-11.pdf"
key super+shift+m
shot move-input
xdotool type --delay 30 "Alp"
shot move-results
fresh_toast "Screenshot_2026-12-07.png"
key super+shift+alt+t
xdotool type --delay 30 "2h 30m"
shot custom-time
fresh_toast "Meeting_notes.odt"
key super+shift+period
shot more-menu
key Down
shot more-menu-selection
fresh_toast "Holiday_video.mp4"
key super+shift+s
shot share-picker
key Escape Escape
until_ok toast_gone
# Three at once, then a delete and its Undo.
download "photo_2026-12-07.jpg"
download "setup-tool_1.4.2_amd64.deb"
download "notes.txt"
until_ok toast_up
shot toast-three
key super+shift+BackSpace
shot toast-undo
key Escape
until_ok toast_gone
# The collapse, frame after frame: nothing may linger.
download "slides.odp"
until_ok toast_up
key Escape
for i in 1 2 3 4; do
  n=$((n + 1))
  import -window root -crop "$((900 * scale))x$((90 * scale))+$((cx - 450 * scale))+0" +repage \
    "$out/$(printf %02d $n)-collapse-$i.png"
done
until_ok toast_gone
# A delete the Trash refuses: the notice, and the row that says so.
download "locked_archive.zip"
until_ok toast_up
key super+shift+t
until_ok toast_gone
# A file where the Trash folder belongs: GIO cannot trash (permissions would not stop root).
mkdir -p "$XDG_DATA_HOME/Trash"
mv "$XDG_DATA_HOME/Trash" "$home/Trash.kept"
touch "$XDG_DATA_HOME/Trash"
download "refused_by_trash.iso"
until_ok toast_up
key super+shift+BackSpace
key Escape
notice_up() { windows | awk -v w=$((520 * scale)) '$3 == w {found=1} END {exit !found}'; }
until_ok notice_up
shot notice
xdotool mousemove "$cx" 30 click 1 mousemove 40 900
rm "$XDG_DATA_HOME/Trash"
mv "$home/Trash.kept" "$XDG_DATA_HOME/Trash"
until_ok toast_gone
# Many kept files, one with a long name: the ignored list scrolls.
download "kept_$(printf 'very_long_name_%.0s' 1 2 3 4).tar.gz" "https://a-very-long-mirror-name.downloads.example.org/x"
for i in $(seq 1 12); do download "kept_file_$i.txt"; done
until_ok toast_up
key Escape
until_ok toast_gone
# The popover's sections, a row's menu, the snooze editor and the settings.
open_popover
shot popover
read -r px py pw _ < <(windows | awk -v w=$((360 * scale)) '$3 == w')
at() { xdotool mousemove $((px + $1 * scale)) $((py + $2 * scale)); }
# A popup takes a click only once it has seen the pointer arrive.
click_at() {
  at "$@"
  sleep 0.3
  xdotool click 1
}
click_at 330 100
until_ok test "$(windows | wc -l)" -ge 2 # the menu
shot row-menu
key Up Return
shot snooze-editor
key Escape
popover_up || open_popover
click_at 180 140
at 180 300
shot popover-ignored
click_at 334 23
shot settings
key Tab
shot settings-focus
key Tab
shot settings-focus-next
key Escape
# The tidy rule. Vantle stops; the kept files become two months old, one is
# kept forever, the rule is turned on (to the archive); Vantle starts again.
kill "$vantle"
wait "$vantle" 2>/dev/null || true
python3 - "$XDG_DATA_HOME/Vantle/Vantle.store" "$XDG_CONFIG_HOME/Vantle/Vantle.conf" <<'EOF'
import os, sqlite3, sys, time
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE TrackedFile SET detectedAt = ? WHERE state = 'dismissed'",
           (time.time() - 61 * 86400,))
db.execute("UPDATE TrackedFile SET pinned = 1 WHERE fileName = 'Quarterly_report_final_v2.pdf'")
db.commit()
rule = "TidyRule.enabled=true\nTidyRule.destination=archive\n"
try:
    text = open(sys.argv[2]).read()
except FileNotFoundError:
    text = ""
text = text.replace("[General]\n", "[General]\n" + rule, 1) if "[General]\n" in text \
    else "[General]\n" + rule + text
os.makedirs(os.path.dirname(sys.argv[2]), exist_ok=True)
open(sys.argv[2], "w").write(text)
EOF
"$binary" >/dev/null 2>&1 &
vantle=$!
pids+=("$vantle")
for _ in $(seq 200); do # its icon back in the tray
  [[ -n $(tray_icon) ]] && break
  sleep 0.1
done
open_popover
shot tidy-section
read -r px py pw _ < <(windows | awk -v w=$((360 * scale)) '$3 == w')
click_at 180 313
shot popover-pinned
click_at 334 23
shot settings-tidy
key Escape
echo "gallery ${scale}x: $n pictures"
