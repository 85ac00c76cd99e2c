#!/usr/bin/env bash
# Makes the README's screenshots from the real program against the device simulator, under a
# virtual display: docs/images/main-window.png, setup-window.png and help.png.
#
#     scripts/screenshots.sh            (needs xvfb, xdotool and imagemagick; installs them as root)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages "${ORVEL_BUILD_PACKAGES[@]}" xvfb xauth xdotool imagemagick

if [ -z "${ORVEL_SCREENSHOT_INNER:-}" ]; then
    cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVEL_BUILD_TESTS=OFF \
        -DORVEL_BUILD_BENCH=OFF > /dev/null
    cmake --build build/demo
    ORVEL_SCREENSHOT_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

out=docs/images
mkdir -p "$out"
work=$(mktemp -d)
build/demo/sim/dravelin-sim --log "$work/device.log" > "$work/sim.out" &
sim=$!
trap 'kill $sim $app 2>/dev/null; rm -rf "$work"' EXIT
sleep 0.5
ORVEL_COM1=$(head -n 1 "$work/sim.out") build/demo/app/orvel &
app=$!

window() { # window NAME: the newest window with that title
    local id=""
    for _ in $(seq 50); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -n 1) && [ -n "$id" ] && break
        sleep 0.2
    done
    echo "$id"
}
click() { # click WINDOW X Y: a left click at X,Y inside the window
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + $2)) $((Y + $3)) click 1
}

main=$(window "Orvel On-Line")
# The menu bar's commands: Start, Stop, Port, Setup, Help, Exit.
click "$main" 24 8          # Start
sleep 25
click "$main" 470 90         # place the cursor on the elevation trace
sleep 1
import -window "$main" "$out/main-window.png"

click "$main" 67 8           # Stop
sleep 1
click "$main" 196 8          # Help
sleep 1
help=$(window "Orvel On-Line")
import -window "$help" "$out/help.png"
xdotool key Return
sleep 0.5

click "$main" 151 8          # Setup: the read-back runs before the window shows
setup=$(window "Dravelin Setup")
sleep 0.5
click "$setup" 232 209       # the output range list's text field
xdotool key Down             # pick the next entry: HALF
sleep 1.5
import -window "$setup" "$out/setup-window.png"
echo "Screenshots in $out:"
ls -l "$out"
