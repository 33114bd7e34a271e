#!/usr/bin/env bash
# Takes the README's pictures from a built tree, at 320 by 240:
#   title.png              the first frame of a runner run without input
#   end.png                the last frame of the runner's bot run, from the title screen
#                          through the level to the end screen (seed 3)
#   yard.png, hall.png, pool.png
#                          the game's own frame drawing from the places in views.txt
#                          (ovrel_levelview), so that they stay put when the bot's path changes
# Every picture is the same on every run of the same build.
#
#   docs/screenshots/take_screenshots.sh [BIN_DIR]   (default build/default/bin)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:-$here/../../build/default/bin}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ln -s "$bin/data" "$work/data"
sed -e "s/^WIDTH=.*/WIDTH= 320/" -e "s/^HEIGHT=.*/HEIGHT= 240/" "$bin/Setup.txt" \
    >"$work/Setup.txt"
# The bot's run shows only the title and the end screen here; coronas would only slow it.
sed -e "s/^LIGHTS.*/LIGHTS [0,1]= 0/" "$work/Setup.txt" >"$work/bot_setup.txt"

(cd "$work" && "$bin/ovrel_levelview" "$here/views.txt" "$work" 25 >/dev/null)
export SDL_AUDIODRIVER=dummy
"$bin/ovrel_runner" --dir "$work" --seed 3 --frames 1 --screenshot "0:$work/title.png" >/dev/null
# The bot presses its first key before the first frame, so its run starts on the main menu.
"$bin/ovrel_runner" --dir "$work" --setup "$work/bot_setup.txt" --bot --seed 3 --frames 20000 \
    --require-end --screenshot "last:$work/end.png" >/dev/null

for name in title yard hall pool end; do
    cp "$work/$name.png" "$here/$name.png"
done
echo "title, yard, hall, pool and end screen written to $here"
