#!/usr/bin/env bash
# Installs the Debian packages VORDAN needs to build, run and test, asking
# apt only for what is missing. Runs as root, or through sudo. Extra package
# names may be given as arguments; recommended packages are left out (which
# keeps LibreOffice to Calc and its core).
set -euo pipefail

packages=(qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n libsqlite3-dev sqlite3
          cmake ninja-build g++ fonts-liberation2 libcups2-dev pkg-config libpq-dev
          libqt6sql6-psql postgresql "$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
# The server package must not make and start a cluster of the system: the
# tests start their own, and a shop's server is set up by hand.
if printf '%s\n' "${missing[@]}" | grep -qx postgresql; then
  "${sudo[@]}" mkdir -p /etc/postgresql-common
  if ! grep -qs '^create_main_cluster *= *false' /etc/postgresql-common/createcluster.conf; then
    echo 'create_main_cluster = false' | "${sudo[@]}" tee -a /etc/postgresql-common/createcluster.conf >/dev/null
  fi
fi
echo "Installation des paquets manquants : ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends -o Dpkg::Options::=--force-confold "${missing[@]}"
