#!/usr/bin/env bash
# End-to-end run of the real game on a virtual X server, driven by real key presses, mouse
# moves and clicks (xdotool), checked by screenshots of the X screen (ImageMagick import):
# title, main menu, the opening flight ended by a key, a few steps, the statistics file,
# Escape to the menu and Escape to quit with status 0.
#
#   ovrel_under_xvfb.sh BIN_DIR DUMP_TOOL WORK_DIR
set -euo pipefail

bin=$1
dump=$2
work=$3
width=640
height=480

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work"
ln -s "$bin/data" "$work/data"
sed -e "s/^WIDTH=.*/WIDTH= $width/" -e "s/^HEIGHT=.*/HEIGHT= $height/" \
    "$bin/Setup.txt" >"$work/Setup.txt"

xvfb_pid=""
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT

# What the title and the menu must show: the same screens rendered headless by the runner.
cat >"$work/menus.demo" <<'DEMO'
ovrel-demo 1
seed 1
frame 0 cursor 0 0 clock 0
down Return
up Return
frame 1 cursor 0 0 clock 17
end
DEMO
"$bin/ovrel_runner" --dir "$work" --play "$work/menus.demo" \
    --screenshot "0:$work/expected_title.png" --screenshot "1:$work/expected_menu.png" \
    >/dev/null || fail "the runner could not render the menu screens"

# The virtual X server; it tells its display number once it is ready.
mkfifo "$work/display"
exec 3<>"$work/display"
Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 20 display <&3 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$display"
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER

shot() {
    import -window root "$work/$1.png" || fail "cannot take screenshot $1"
}

# Pixels that differ by more than a few percent, as a share of the screen (0 to 1).
differing() {
    local count
    count=$(compare -metric AE -fuzz 6% "$1" "$2" null: 2>&1 || true)
    awk -v c="${count%% *}" -v n=$((width * height)) 'BEGIN { printf "%.4f", c / n }'
}

expect_same() {
    local share
    share=$(differing "$work/$1.png" "$2")
    awk -v s="$share" 'BEGIN { exit !(s < 0.01) }' ||
        fail "$1 does not show what it must: $share of the screen differs from $2"
}

expect_changed() {
    local share
    share=$(differing "$work/$1.png" "$work/$2.png")
    awk -v s="$share" -v m="$3" 'BEGIN { exit !(s > m) }' ||
        fail "$1 looks like $2 ($share of the screen differs, more than $3 expected)"
}

# The crosshair's four white arms sit around the centre in every in-game view (its image is
# drawn four pixels up and left of the centre: arms two pixels wide from -3 to +2).
expect_crosshair() {
    local cx=$((width / 2)) cy=$((height / 2)) x y rgb
    for offset in "-1 -3" "0 2" "-3 -1" "2 0"; do
        read -r x y <<<"$offset"
        rgb=$(convert "$work/$1.png" -format "%[fx:int(255*min(r,min(g,b)))]" \
            -crop "1x1+$((cx + x))+$((cy + y))" info:)
        [ "$rgb" -ge 200 ] || fail "$1: no crosshair at the centre (pixel $x,$y is $rgb)"
    done
}

settle() {
    sleep "${1:-1}"
}

cd "$work"
"$bin/ovrel" >"$work/ovrel.log" 2>&1 &
game_pid=$!
window=$(timeout 30 xdotool search --sync --name '^Ovrel engine$' | head -1) ||
    fail "the game window did not appear: $(cat "$work/ovrel.log")"
xdotool windowfocus --sync "$window" 2>/dev/null || true
settle 2

shot title
expect_same title "$work/expected_title.png"

xdotool key Return
settle
shot menu
expect_same menu "$work/expected_menu.png"

xdotool key Return
settle 1.5
shot flight
expect_changed flight menu 0.5

# Any key ends the flight; the player then falls onto the yard and stands.
xdotool key space
settle 2
shot walk1
expect_crosshair walk1

# A click with nothing in reach, a turn with the mouse and a few steps forward.
xdotool click 1
xdotool mousemove $((width / 2 + 80)) $((height / 2))
settle 0.5
xdotool keydown Up
settle 1
xdotool keyup Up
settle 1
shot walk2
expect_crosshair walk2
expect_changed walk2 walk1 0.1

# C writes the statistics with the level's face count.
faces=$("$dump" "$bin/data/L1.x" | sed -n 's/.*faces: \([0-9]*\).*/\1/p' | head -1)
[ -n "$faces" ] || fail "cannot read the face count of L1.x"
rm -f Debug.txt
xdotool key c
for _ in $(seq 20); do
    [ -s Debug.txt ] && break
    sleep 0.2
done
[ -f Debug.txt ] || fail "C wrote no Debug.txt"
statistics=$(cat Debug.txt; printf x)
statistics=${statistics%x}
pattern="^Faces = $faces "$'\n'"Current FPS = [0-9]+\.[0-9]{3} "$'\n'"Max FPS = [0-9]+\.[0-9]{3}$"
[[ "$statistics" =~ $pattern ]] || fail "Debug.txt is not in its format: '$statistics'"

xdotool key Escape
settle
shot back_in_menu
expect_same back_in_menu "$work/expected_menu.png"

xdotool key Escape
for _ in $(seq 50); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.2
done
if kill -0 "$game_pid" 2>/dev/null; then
    fail "Escape in the menu did not quit"
fi
status=0
wait "$game_pid" || status=$?
game_pid=""
[ "$status" -eq 0 ] || fail "the game quit with status $status: $(cat "$work/ovrel.log")"
echo "ovrel under Xvfb: title, menu, flight, walk, statistics, menu, quit: all as expected"
