#!/usr/bin/env bash
# Builds VORDAN for 64-bit Windows (Release) with the tool chain of
# scripts/windows/toolchain.sh, gathers beside vordan.exe what it loads, and
# makes the installer vordan-<version>-setup.exe in the repository's folder.
#
#   scripts/windows/build.sh            the program and its installer
#   scripts/windows/build.sh --tests    also the test programs (scripts/windows/test.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
cd "$repo"

if ! prefix=$("$here/toolchain.sh" --chemin); then
    echo "La chaîne Windows n'est pas prête : lancez d'abord scripts/windows/toolchain.sh." >&2
    exit 1
fi
export VORDAN_WINDOWS_PREFIX=$prefix
tests=OFF
[ "${1:-}" = "--tests" ] && tests=ON
# Compiler caches shared between clones of the repository.
export CCACHE_BASEDIR=$repo

build=build-windows
scripts/install-deps.sh nsis wine64 wine g++-mingw-w64-x86-64-posix >/dev/null
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DVORDAN_BUILD_TESTS=$tests >/dev/null
cmake --build "$build" --parallel "$(nproc)"
version=$(sed -n 's/^project(vordan VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

# The installed layout: the program, the DLLs it loads, Qt's plugins and
# French texts, the guide.
stage=$build/stage
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" >/dev/null
x86_64-w64-mingw32-strip "$stage/vordan.exe"
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
dlls=(Qt6Core Qt6Gui Qt6Widgets Qt6Sql Qt6PrintSupport libsqlite3-0 libpq libssl-3-x64
    libcrypto-3-x64)
for d in "${dlls[@]}"; do cp "$prefix/bin/$d.dll" "$stage/"; done
for d in libgcc_s_seh-1 libstdc++-6; do cp "$runtime/$d.dll" "$stage/"; done
cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"
mkdir -p "$stage/plugins/platforms" "$stage/plugins/styles" "$stage/plugins/sqldrivers" \
    "$stage/plugins/imageformats" "$stage/translations"
cp "$prefix/plugins/platforms/qwindows.dll" "$prefix/plugins/platforms/qoffscreen.dll" \
    "$stage/plugins/platforms/"
cp "$prefix/plugins/styles/"*.dll "$stage/plugins/styles/"
cp "$prefix/plugins/sqldrivers/qsqlite.dll" "$prefix/plugins/sqldrivers/qsqlpsql.dll" \
    "$stage/plugins/sqldrivers/"
for f in qgif qico qjpeg; do
    [ -f "$prefix/plugins/imageformats/$f.dll" ] && cp "$prefix/plugins/imageformats/$f.dll" \
        "$stage/plugins/imageformats/"
done
cp "$prefix/translations/qtbase_fr.qm" "$stage/translations/"
# Qt finds its plugins and translations beside the program.
printf '[Paths]\nPlugins = plugins\nTranslations = translations\n' >"$stage/qt.conf"
cp packaging/windows/vordan.ico "$stage/"
# The licence page shows plain French text (Windows line ends).
sed 's/$/\r/' packaging/windows/LICENCE.txt >"$stage/LICENCE.txt"

# Every DLL the program and its plugins import is either Windows' own or
# shipped: a missing one would stop the program before its first window.
missing=$(find "$stage" -name '*.exe' -o -name '*.dll' | while read -r f; do
    x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\tDLL Name: //p'
done | sort -u | while read -r dll; do
    if [ -z "$(find "$stage" -iname "$dll" -print -quit)" ] &&
        ! grep -qix "$dll" "$here/system-dlls.txt"; then
        echo "$dll"
    fi
done)
if [ -n "$missing" ]; then
    echo "DLL manquantes dans l'installation : $missing" >&2
    exit 1
fi

makensis -V2 -DVERSION="$version" -DSTAGE="$(cd "$stage" && pwd)" \
    -DOUT="$repo/vordan-$version-setup.exe" packaging/windows/vordan.nsi
size=$(du -h "vordan-$version-setup.exe" | cut -f1)
echo "Installateur : vordan-$version-setup.exe ($size)"
