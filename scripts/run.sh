#!/usr/bin/env bash
# Builds VORDAN in Release and starts it. On the first run it makes a demo
# data folder and the CHEMIN.QZ beside the program that points at it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORDAN_BUILD_TESTS=OFF >/dev/null
cmake --build build --parallel

if [ ! -f build/CHEMIN.QZ ]; then
  if [ ! -f demo-data/vordan.mdb ]; then
    build/vordan --creer-base "$root/demo-data" --magasin "PRO SHOP DE DÉMONSTRATION" \
      --licence 0001 --demo
  fi
  printf '%s/\n' "$root/demo-data" > build/CHEMIN.QZ
fi
exec build/vordan "$@"
