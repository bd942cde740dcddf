#!/usr/bin/env bash
# Checks a built Debian package: the files it installs, its control fields,
# the launcher (desktop-file-validate), the AppStream data (appstreamcli) and
# lintian (no error). Usage: scripts/check-package.sh vordan_1.0_amd64.deb
set -euo pipefail
deb=$1
id=org.vordan.vordan
fail() { echo "ÉCHEC : $*" >&2; exit 1; }

contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
for f in /usr/bin/vordan \
         /usr/share/applications/$id.desktop \
         /usr/share/metainfo/$id.metainfo.xml \
         /usr/share/icons/hicolor/scalable/apps/$id.svg \
         /usr/share/icons/hicolor/48x48/apps/$id.png \
         /usr/share/icons/hicolor/128x128/apps/$id.png \
         /usr/share/icons/hicolor/256x256/apps/$id.png \
         /usr/share/man/man1/vordan.1.gz \
         /usr/share/doc/vordan/copyright \
         /usr/share/doc/vordan/changelog.gz \
         /usr/share/vordan/guide/index.md \
         /usr/share/vordan/guide/fiche-percage.png; do
  grep -qx "$f" <<<"$contents" || fail "$f absent du paquet"
done

depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6sql6-sqlite qt6-qpa-plugins qt6-translations-l10n fonts-liberation2 libqt6widgets6 libsqlite3-0; do
  grep -q "\b$p\b" <<<"$depends" || fail "dépendance $p absente : $depends"
done
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "vordan_${version}_amd64.deb" ] || fail "nom du paquet $deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
file -b "$work/usr/bin/vordan" | grep -q "stripped" && ! file -b "$work/usr/bin/vordan" | grep -q "not stripped" \
  || fail "/usr/bin/vordan n'est pas épuré"
desktop-file-validate "$work/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$work/usr/share/metainfo/$id.metainfo.xml"
grep -qx "Exec=vordan" "$work/usr/share/applications/$id.desktop" || fail "Exec du lanceur"
lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"
echo "Paquet vérifié : $deb"
