#!/usr/bin/env bash
# Runs the real program on a private X server (Xvfb, xcb platform, no window manager): checks
# that the window's caption reaches the X server exactly and that its class is the one the
# desktop entry names, then takes pictures of the window with --window-shot (one larger than the
# screen) and checks their pixels with shotcheck.
#
# realwindow.sh VALVESCOPE SHOTCHECK DESKTOP_FILE
set -euo pipefail

program=$1
shotcheck=$2
desktop_file=$3
caption=' Valvescope for the 807            Kestrelon'

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "realwindow: $*" >&2
    exit 1
}

# Xvfb picks a free display number itself and writes it to the descriptor.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s $work/display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
done
[[ -s $work/display ]] || fail "Xvfb gave no display number"
export DISPLAY=":$(head -n 1 "$work/display")"
# The server answers before anything is started on it (under load the first connection can
# come before it listens).
for _ in $(seq 100); do
    xwininfo -root >/dev/null 2>&1 && break
    sleep 0.1
done
xwininfo -root >/dev/null 2>&1 || fail "Xvfb on $DISPLAY does not answer: $(cat "$work/xvfb.log")"
export QT_QPA_PLATFORM=xcb
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
unset WAYLAND_DISPLAY

# The caption, as the X server holds it.
"$program" &
app_pid=$!
window=""
for _ in $(seq 100); do
    window=$(xwininfo -root -tree | grep -F "\"$caption\"" | awk '{print $1}' | head -n 1) || true
    [[ -n $window ]] && break
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended before its window appeared"
    sleep 0.1
done
[[ -n $window ]] || fail "no window named \"$caption\" appeared"
name=$(xprop -id "$window" -notype WM_NAME)
[[ $name == "WM_NAME = \"$caption\"" ]] || fail "WM_NAME is $name"
# The class task bars and the desktop entry's window matching go by.
wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop_file")
[[ $wm_class == valvescope ]] || fail "the desktop entry's StartupWMClass is '$wm_class'"
class=$(xprop -id "$window" -notype WM_CLASS)
[[ $class == "WM_CLASS = \"valvescope\", \"$wm_class\"" ]] || fail "WM_CLASS is $class"
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""

# Pictures of the window: as it starts, with every overlay, and with a larger plot.
shot() {
    local file=$1
    shift
    timeout 60 "$program" --window-shot "$file" "$@" || fail "--window-shot $* ended with $?"
}
shot "$work/start.png"
"$shotcheck" "$work/start.png" 510 367 plain || fail "the picture of the starting window"
shot "$work/overlays.png" --show imax,wp,vmax,rk,load
"$shotcheck" "$work/overlays.png" 510 367 overlays || fail "the picture with every overlay"
shot "$work/large.png" --size 562x324 --show vmax
"$shotcheck" "$work/large.png" 610 467 plain 562 324 && fail "the Vmax line went unnoticed"
shot "$work/large.png" --size 562x324
"$shotcheck" "$work/large.png" 610 467 plain 562 324 || fail "the picture with a larger plot"
# A window larger than the 1024x768 screen comes out whole, not black past the screen's edges.
shot "$work/huge.png" --size 1100x900
"$shotcheck" "$work/huge.png" 1148 1043 plain 1100 900 || fail "the picture larger than the screen"
echo "realwindow: caption, class and pictures as expected"
