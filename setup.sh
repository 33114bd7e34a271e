#!/usr/bin/env bash
# Sets up, builds and runs the Ovrel engine on Debian 12.
#
#   ./setup.sh play   installs what is missing, builds the game and its data, starts the game
#   ./setup.sh test   installs what is missing, builds both builds and runs the whole test suite
#   ./setup.sh build  installs what is missing and builds the game and its data
#   ./setup.sh install [PREFIX]
#                     builds as above and installs the game into PREFIX (default ~/.local)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    libsdl2-dev libepoxy-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libgl1-mesa-dri libegl-mesa0 libegl1 libgles2
    xvfb xauth xdotool imagemagick
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
        build default
        run_tests default
        build asan
        run_tests asan
        ;;
    *)
        echo "usage: $0 [play|build|test|install [PREFIX]]" >&2
        exit 2
        ;;
esac
