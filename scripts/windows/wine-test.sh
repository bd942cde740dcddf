#!/usr/bin/env bash
# Runs a Qt Test program of the cross build under Wine for CTest. A Windows
# program's standard output does not reach a Unix pipe through Qt Test's
# logger, so the log is written to a file and shown once the program ends;
# the program's exit status is kept.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
log=$(mktemp --suffix=.txt)
trap 'rm -f "$log"' EXIT
program=$1
shift
# A Unix path as Wine sees it on its Z: drive (see wine-run.sh).
to_windows() {
    local p
    p=$(readlink -m "$1")
    printf 'Z:%s' "${p//\//\\}"
}
# Qt's offscreen platform reads its fonts from one folder: Debian's DejaVu
# (the Linux tests' default face) and Liberation (Arial's and Times' metrics),
# gathered by links.
if [ -z "${QT_QPA_FONTDIR:-}" ]; then
    fonts=${TMPDIR:-/tmp}/vordan-wine-fonts-$(id -u)
    mkdir -p "$fonts"
    for f in /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf \
        /usr/share/fonts/truetype/liberation2/*.ttf; do
        [ -e "$f" ] && ln -sf "$f" "$fonts/"
    done
    export QT_QPA_FONTDIR=$(to_windows "$fonts")
fi
# Arguments of ctest or of a person (-o, -functions, a test name) are passed
# through; the plain-text log goes to the file unless one was asked for.
"$here/wine-run.sh" "$program" -o "$(to_windows "$log"),txt" "$@"
status=$?
cat "$log"
exit $status
