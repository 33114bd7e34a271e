#!/usr/bin/env bash
# End-to-end run of an installed copy: cmake --install into a fresh prefix, the files a desktop
# needs, the launcher making the player's own folder (a writable Setup.txt copied from the
# install, a link to the installed data), then the game started by the launcher from another
# folder on a virtual X server: title, Alt+Enter into a window of the back buffer's size and
# back to covering the screen, into the game, C writing Debug.txt into the player's folder, and
# Escape twice to quit with status 0; then a start in a window, as WINDOWED 1 asks.
#
#   installed_under_xvfb.sh CMAKE BUILD_DIR WORK_DIR
set -euo pipefail

cmake=$1
build=$2
work=$3
screen_width=800
screen_height=600

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work/home"
prefix="$work/prefix"
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" ||
    fail "cmake --install failed: $(cat "$work/install.log")"

for file in bin/ovrel lib/ovrel/ovrel share/ovrel/Setup.txt share/ovrel/data/L1.x \
    share/applications/ovrel.desktop share/icons/hicolor/32x32/apps/ovrel.png; do
    [ -f "$prefix/$file" ] || fail "the install has no $file"
done
[ -x "$prefix/bin/ovrel" ] || fail "the launcher is not executable"
grep -qx "Exec=$prefix/bin/ovrel" "$prefix/share/applications/ovrel.desktop" ||
    fail "the desktop entry does not start the installed launcher"
grep -qx "Icon=ovrel" "$prefix/share/applications/ovrel.desktop" || fail "no icon named"
[ "$(head -c 8 "$prefix/share/icons/hicolor/32x32/apps/ovrel.png" | od -An -tx1 | tr -d ' \n')" = \
    89504e470d0a1a0a ] || fail "the icon is not a PNG image"

export HOME="$work/home"
unset XDG_DATA_HOME
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER
user_dir="$HOME/.local/share/ovrel"

# Without a display the game cannot start, but the launcher has made the player's folder.
status=0
(cd / && env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/ovrel") >"$work/nodisplay.log" 2>&1 ||
    status=$?
[ "$status" -eq 1 ] || fail "without a display the game ended with status $status"
grep -q "no display" "$work/nodisplay.log" || fail "no word of the display: $(cat "$work/nodisplay.log")"
cmp -s "$user_dir/Setup.txt" "$prefix/share/ovrel/Setup.txt" ||
    fail "the player's Setup.txt is not the shipped one"
[ -w "$user_dir/Setup.txt" ] || fail "the player's Setup.txt is not writable"
[ "$(readlink -f "$user_dir/data")" = "$(readlink -f "$prefix/share/ovrel/data")" ] ||
    fail "the player's data/ is not the installed data"

# XDG_DATA_HOME, when set, holds the player's folder instead.
(XDG_DATA_HOME="$work/xdg" env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/ovrel") \
    >/dev/null 2>&1 || true
[ -f "$work/xdg/ovrel/Setup.txt" ] || fail "XDG_DATA_HOME was not used"

# The player's settings are theirs: the launcher keeps an edited file.
sed -i -e "s/^WIDTH=.*/WIDTH= 320/" -e "s/^HEIGHT=.*/HEIGHT= 240/" "$user_dir/Setup.txt"

xvfb_pid=""
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT

mkfifo "$work/display"
exec 3<>"$work/display"
Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 20 display <&3 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$display"

(cd / && exec "$prefix/bin/ovrel") >"$work/ovrel.log" 2>&1 &
game_pid=$!
window=$(timeout 30 xdotool search --sync --name '^Ovrel engine$' | head -1) ||
    fail "the game window did not appear: $(cat "$work/ovrel.log")"
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 2

size_is() {
    local expected=$1 geometry
    for _ in $(seq 25); do
        geometry=$(xdotool getwindowgeometry --shell "$window" |
            awk -F= '/^WIDTH=/ { w = $2 } /^HEIGHT=/ { h = $2 } END { print w "x" h }')
        [ "$geometry" = "$expected" ] && return 0
        sleep 0.2
    done
    fail "$2: the window is $geometry, not $expected"
}

# Share of the screen that is not black: the title screen is drawn, letterbox and all.
lit_share() {
    import -window root "$work/$1.png" || fail "cannot take screenshot $1"
    convert "$work/$1.png" -colorspace gray -threshold 4% -format "%[fx:mean]" info:
}

size_is "${screen_width}x${screen_height}" "at start the game covers the screen"
share=$(lit_share title)
awk -v s="$share" 'BEGIN { exit !(s > 0.5) }' || fail "the title screen is not shown ($share lit)"

xdotool key alt+Return
size_is 320x240 "after Alt+Enter"
share=$(lit_share windowed)
awk -v s="$share" 'BEGIN { exit !(s < 0.3) }' ||
    fail "after Alt+Enter the game still fills the screen ($share lit)"
xdotool key alt+Return
size_is "${screen_width}x${screen_height}" "after a second Alt+Enter"

# Alt+Enter is no key for the game: the next key still leaves the title for the menu.
xdotool key Return
sleep 1
xdotool key Return
sleep 1.5
xdotool key space
sleep 1.5
rm -f "$user_dir/Debug.txt"
xdotool key c
for _ in $(seq 20); do
    [ -s "$user_dir/Debug.txt" ] && break
    sleep 0.2
done
grep -q "^Faces = " "$user_dir/Debug.txt" 2>/dev/null ||
    fail "C wrote no Debug.txt into the player's folder"

xdotool key Escape
sleep 1
xdotool key Escape
for _ in $(seq 50); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.2
done
kill -0 "$game_pid" 2>/dev/null && fail "Escape in the menu did not quit"
status=0
wait "$game_pid" || status=$?
game_pid=""
[ "$status" -eq 0 ] || fail "the game quit with status $status: $(cat "$work/ovrel.log")"
[ ! -s "$work/ovrel.log" ] || fail "the installed game said: $(cat "$work/ovrel.log")"

# WINDOWED 1 starts in the window; Escape on the title and in the menu quits.
sed -i -e "s/^WINDOWED.*/WINDOWED [0,1]= 1/" "$user_dir/Setup.txt"
(cd / && exec "$prefix/bin/ovrel") >"$work/windowed.log" 2>&1 &
game_pid=$!
window=$(timeout 30 xdotool search --sync --name '^Ovrel engine$' | head -1) ||
    fail "the windowed game did not appear: $(cat "$work/windowed.log")"
sleep 1
size_is 320x240 "with WINDOWED 1"
xdotool key Escape
sleep 1
xdotool key Escape
status=0
timeout 10 tail --pid="$game_pid" -f /dev/null || fail "the windowed game did not quit"
wait "$game_pid" || status=$?
game_pid=""
[ "$status" -eq 0 ] || fail "the windowed game quit with status $status"
echo "installed copy: files, player's folder, title, Alt+Enter and back, game, Debug.txt, quit," \
    "a windowed start"
