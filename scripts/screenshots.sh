#!/usr/bin/env bash
# Renders the pictures of the user guide (docs/guide/*.png) from the real
# windows on a demo database, offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build-screenshots -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORDAN_BUILD_TESTS=OFF >/dev/null
cmake --build build-screenshots --target vordan_screenshots
LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen build-screenshots/vordan_screenshots docs/guide
