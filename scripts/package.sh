#!/usr/bin/env bash
# Builds the Debian package vordan_<version>_amd64.deb in the repository's
# folder, from a Release build (stripped program). With --verifier it then
# checks it: its contents, the launcher, the AppStream data and lintian.
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
[ "${1:-}" = "--verifier" ] && check=1

scripts/install-deps.sh dpkg-dev fakeroot file desktop-file-utils appstream lintian
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORDAN_BUILD_TESTS=OFF \
      -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build-package --target vordan vordan_compressed_docs
rm -f build-package/vordan_*.deb
(cd build-package && fakeroot cpack -G DEB >/dev/null)
deb=$(ls build-package/vordan_*_amd64.deb)
cp "$deb" .
deb=$(basename "$deb")
echo "Paquet : $deb"
[ "$check" = 1 ] || exit 0

exec scripts/check-package.sh "$deb"
