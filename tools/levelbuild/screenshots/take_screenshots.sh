#!/usr/bin/env bash
# Takes the level builder README's pictures from a built tree (ImageMagick's convert and
# montage make the JPEG files):
#   the views of views.txt, some with every door open, at 512 by 384;
#   the "after" half of the before/after pairs (yard = start, stairs = flight_0, hall,
#   living); the "before" half stays as it was taken from the level before the light bake;
#   opening_flight.jpg, eight frames of the game's opening flight at the shipped size, each
#   shrunk to 291 by 218 (the HUD images keep their pixel size, so smaller frames crowd).
#
#   tools/levelbuild/screenshots/take_screenshots.sh [BIN_DIR]   (default build/default/bin)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:-$here/../../../build/default/bin}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} SDL_AUDIODRIVER=dummy

mkdir -p "$work/views" "$work/open"
(cd "$bin" && ./ovrel_levelview "$here/../views.txt" "$work/views" >/dev/null)
(cd "$bin" && ./ovrel_levelview "$here/../views.txt" "$work/open" 1 open >/dev/null)
small() { convert "$1" -resize 512x384 -quality 85 "$here/$2.jpg"; }
for view in start flight_1 pool drain living landing aerial_west upper_flight; do
    small "$work/views/$view.png" "$view"
done
small "$work/open/hatch.png" hatch_open
small "$work/open/entrance.png" entrance_open
small "$work/views/start.png" yard_after
small "$work/views/flight_0.png" stairs_after
small "$work/views/hall.png" hall_after
small "$work/views/living.png" living_after

# The opening flight: the title, the menu, then the scripted camera, one frame in 60 Hz steps.
{
    echo "ovrel-demo 1"
    echo "seed 1"
    echo "frame 0 cursor 0 0 clock 0"; echo "down Return"; echo "up Return"
    echo "frame 1 cursor 0 0 clock 17"; echo "down Return"; echo "up Return"
    for i in $(seq 2 701); do echo "frame $i cursor 0 0 clock $((i * 50 / 3))"; done
    echo end
} >"$work/flight.demo"
frames=(40 134 229 323 417 511 606 700)
shots=()
files=()
for f in "${frames[@]}"; do
    shots+=(--screenshot "$f:$work/flight-$f.png")
    files+=("$work/flight-$f.png")
done
"$bin/ovrel_runner" --dir "$bin" --setup "$bin/Setup.txt" --play "$work/flight.demo" \
    "${shots[@]}" >/dev/null
montage "${files[@]}" -tile 4x2 -geometry 291x218+0+0 -quality 85 "$here/opening_flight.jpg"
echo "level pictures written to $here"
