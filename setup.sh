#!/usr/bin/env bash
# Sets up, builds and runs the Ovrel engine on Debian 12.
#
#   ./setup.sh play   installs what is missing, builds the game and its data, starts the game
#   ./setup.sh test   installs what is missing, checks the C++ formatting, builds both builds and
#                     runs the whole test suite
#   ./setup.sh build  installs what is missing and builds the game and its data
#   ./setup.sh install [PREFIX]
#                     builds as above and installs the game into PREFIX (default ~/.local)
#   ./setup.sh fuzz [SECONDS]
#                     installs what is missing, builds the fuzzing harnesses and runs each for
#                     SECONDS (default 60); fails on any crash, leak, timeout or out-of-memory
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    libsdl2-dev libepoxy-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libgl1-mesa-dri libegl-mesa0 libegl1 libgles2
    xvfb xauth xdotool imagemagick
    clang libclang-rt-14-dev
    clang-format
)

install_packages() {
    local missing=()
    for package in "${PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return
    fi
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    else
        echo "These Debian packages are missing. Install them, then run this again:" >&2
        echo "  sudo apt-get install ${missing[*]}" >&2
        exit 1
    fi
}

build() {
    local preset=$1
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
}

run_tests() {
    local preset=$1
    ctest --preset "$preset"
}

# Seeds of each harness: folders of files, of which those up to the longest input are used.
fuzz_seeds() {
    local corpus=tests/corpus seeds=tests/fuzz/seeds
    case "$1" in
        x_file) echo "$corpus/x $seeds/x" ;;
        dds) echo "$corpus/dds" ;;
        bmp | tga | jpeg) echo "$corpus/img" ;;
        png) echo "$corpus/img $corpus/dds/ref" ;;
        wave) echo "$corpus/wav" ;;
        setup_file) echo "content $seeds/setup" ;;
        demo_file) echo "$seeds/demo" ;;
    esac
}

fuzz_extension() {
    case "$1" in
        bmp) echo "bmp" ;;
        tga) echo "tga" ;;
        jpeg) echo "jpg" ;;
        png) echo "png" ;;
        setup_file) echo "txt" ;;
        *) echo "" ;;
    esac
}

# Runs every harness for the given seconds, one after the other. New inputs collect in
# build/fuzz/work/<name>, anything found in build/fuzz/findings/<name>, output in
# build/fuzz/logs/<name>.log.
run_fuzzers() {
    local seconds=$1 failed=() name
    local max_len=65536
    for name in x_file dds bmp tga png jpeg wave setup_file demo_file; do
        local work=build/fuzz/work/$name findings=build/fuzz/findings/$name
        local log=build/fuzz/logs/$name.log
        mkdir -p "$work" "$findings" "$(dirname "$log")"
        local extension folder only=()
        extension=$(fuzz_extension "$name")
        if [ -n "$extension" ]; then
            only=(-iname "*.$extension")
        fi
        for folder in $(fuzz_seeds "$name"); do
            find "$folder" -maxdepth 1 -type f -size -$((max_len + 1))c "${only[@]}" \
                -exec cp -n {} "$work"/ \;
        done
        if [ -d "tests/corpus/regressions/$name" ]; then
            cp -n "tests/corpus/regressions/$name"/* "$work"/
        fi
        local dictionary=()
        if [ -f "tests/fuzz/$name.dict" ]; then
            dictionary=(-dict="tests/fuzz/$name.dict")
        fi
        echo "Fuzzing $name for $seconds s"
        # A run fails on a crash, a sanitizer report, a leak, an input slower than 30 s or
        # one needing more than 2 GB. The slowest real inputs take well under a second; the
        # margin is for machines busy with other work, where the wall clock runs ahead.
        if ! build/fuzz/fuzz/fuzz_$name -max_total_time="$seconds" -timeout=30 \
            -rss_limit_mb=2048 -max_len=$max_len -print_final_stats=1 \
            -artifact_prefix="$findings/" "${dictionary[@]}" "$work" >"$log" 2>&1; then
            failed+=("$name")
            tail -n 40 "$log" >&2
        fi
        grep -E "^(stat::number_of_executed_units|#[0-9]+.*DONE)" "$log" | tr '\n' ' '
        echo
    done
    if [ ${#failed[@]} -ne 0 ]; then
        echo "Fuzzing found problems in: ${failed[*]} (inputs in build/fuzz/findings/)" >&2
        return 1
    fi
}

command=${1:-play}
case "$command" in
    play)
        install_packages
        build default
        cd build/default/bin
        exec ./ovrel
        ;;
    build)
        install_packages
        build default
        ;;
    install)
        install_packages
        build default
        prefix=$(realpath -m "${2:-$HOME/.local}")
        cmake --install build/default --prefix "$prefix"
        echo "Installed. Start the game with: $prefix/bin/ovrel"
        echo "Your settings and statistics live in \${XDG_DATA_HOME:-~/.local/share}/ovrel."
        echo "To uninstall: xargs -d '\\n' rm -f < build/default/install_manifest.txt"
        ;;
    test)
        install_packages
        tools/check_format.sh
        build default
        run_tests default
        build asan
        run_tests asan
        ;;
    fuzz)
        install_packages
        build fuzz
        run_fuzzers "${2:-60}"
        ;;
    *)
        echo "usage: $0 [play|build|test|install [PREFIX]|fuzz [SECONDS]]" >&2
        exit 2
        ;;
esac
