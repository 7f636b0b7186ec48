#!/usr/bin/env bash
# Installs every build and test dependency on a Debian machine. Idempotent: when all
# packages are present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev
  libsqlite3-dev
  hunspell hunspell-ru
  yaz
  # ZText (ztext/): Qt 6 Widgets and QtTest; the offscreen platform plugin the tests run on;
  # a font with Cyrillic, Greek and the mathematical signs for the layout and rendering tests.
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core
  # The catalog tests read the forms' RTF with an independent reader.
  unrtf
  # The front end's end-to-end test, scripts/run.sh and scripts/screenshots.sh: an X server,
  # a window manager for the focus, keyboard input and screenshots.
  xvfb xauth openbox xdotool imagemagick
  # Printed PDFs are read back with pdftotext; the Debian package is built by CPack.
  poppler-utils dpkg-dev
  # scripts/fuzz.sh: clang with the libFuzzer and sanitizer runtimes.
  clang libclang-rt-dev
)

# npm fetches the morphology source data below.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

. "$(dirname "$0")/lib/apt.sh"
apt_install_missing "${packages[@]}"

# The OpenCorpora dictionary as the az package (MIT; data CC BY-SA 3.0) ships it; the
# build turns it into the morphology dictionary (tools/dzbuild).
root="$(cd "$(dirname "$0")/.." && pwd)"
az="$root/build-deps/az"
if [ ! -s "$az/package/dicts/words.dawg" ]; then
  rm -rf "$az.part"
  mkdir -p "$az.part"
  (cd "$az.part" && npm pack --silent az@0.2.3 >/dev/null &&
    tar xzf az-0.2.3.tgz package/package.json package/dicts && rm -f az-0.2.3.tgz)
  rm -rf "$az"
  mv "$az.part" "$az"
fi
echo "setup: all dependencies present"
