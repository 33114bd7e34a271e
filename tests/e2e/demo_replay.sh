#!/usr/bin/env bash
# A recorded demo replays to the same frames: the bot plays and its run is recorded with
# screenshots; the demo is then played twice, and every screenshot and the final state of
# both replays must equal the recording's.
#
#   demo_replay.sh BIN_DIR WORK_DIR
set -euo pipefail

bin=$1
work=$2
frames=180
shots=(30 100 150 179)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work"
ln -s "$bin/data" "$work/data"
sed -e 's/^WIDTH=.*/WIDTH= 640/' -e 's/^HEIGHT=.*/HEIGHT= 480/' "$bin/Setup.txt" >"$work/Setup.txt"

# The state at the end of a run, without the timing lines.
final_state() {
    grep -E '^(frames|seed|screen mode|collectibles left|faces|player position)' "$1"
}

run() {
    local name=$1
    shift
    local args=()
    for frame in "${shots[@]}"; do
        args+=(--screenshot "$frame:$work/$name-$frame.png")
    done
    "$bin/ovrel_runner" --dir "$work" --frames "$frames" --stats "${args[@]}" "$@" \
        >"$work/$name.txt" || fail "$name: the runner failed"
}

run recording --bot --seed 7 --record "$work/run.demo"
grep -q '^click ' "$work/run.demo" || fail "the recorded run has no click to replay"
grep -q '^down Up' "$work/run.demo" || fail "the recorded run has no walking to replay"
for replay in first second; do
    run "$replay" --play "$work/run.demo"
    for frame in "${shots[@]}"; do
        cmp -s "$work/recording-$frame.png" "$work/$replay-$frame.png" ||
            fail "$replay replay: frame $frame differs from the recording"
    done
    diff <(final_state "$work/recording.txt") <(final_state "$work/$replay.txt") ||
        fail "$replay replay ends in another state than the recording"
done
echo "demo replay: ${#shots[@]} screenshots and the final state identical in both replays"
