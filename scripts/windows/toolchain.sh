#!/usr/bin/env bash
# Makes the tool chain that builds VORDAN for 64-bit Windows on Debian 12:
# MinGW-w64, Wine and NSIS from Debian's packages, and for x86_64-w64-mingw32,
# from Debian's source packages: Qt 6.4.2 qtbase (with the SQLite and
# PostgreSQL drivers), SQLite, OpenSSL and libpq (client only).
#
# Everything goes to ~/.cache/vordan-windows/<key>/ (or $VORDAN_WINDOWS_CACHE/
# <key>/), <key> being a hash of this script and of the prebuilt Qt it may
# start from. A second run with the same key does nothing; an interrupted run
# starts again at the step it had not finished.
#
#   scripts/windows/toolchain.sh            build (or unpack) the tool chain
#   scripts/windows/toolchain.sh --chemin   print the folder, exit 1 if not ready
#   scripts/windows/toolchain.sh --archive  also pack it as vordan-windows-<key>.tar.xz
#
# Where a prebuilt copy lies in ../shared/toolchains/ (the whole chain as
# vordan-windows-<key>.tar.xz, or Qt alone as qt-6.4.2-mingw-w64.tar.xz), it
# is unpacked after its .sha256 is checked, instead of being built.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
shared=${VORDAN_TOOLCHAINS:-$repo/../shared/toolchains}
qt_archive=qt-6.4.2-mingw-w64.tar.xz

key_input() {
    cat "$0"
    if [ -f "$shared/$qt_archive.sha256" ]; then cut -d' ' -f1 "$shared/$qt_archive.sha256"; fi
}
key=$(key_input | sha256sum | cut -c1-16)
cache=${VORDAN_WINDOWS_CACHE:-$HOME/.cache/vordan-windows}/$key
prefix=$cache/prefix
work=$cache/work

case "${1:-}" in
--chemin)
    [ -f "$cache/.complete" ] || exit 1
    echo "$prefix"
    exit 0
    ;;
--cle)
    echo "$key"
    exit 0
    ;;
esac
archive=0
[ "${1:-}" = "--archive" ] && archive=1

step_name=""
fail() {
    echo "toolchain.sh : échec à l'étape « $step_name »${1:+ : $1}." >&2
    echo "Le journal de l'étape est dans $work/logs/. Relancer le script reprend à cette étape." >&2
    exit 1
}
trap 'fail' ERR

# Runs a step once: a step that ended well leaves a mark and is skipped the
# next time; its output goes to a log, shown in part when it fails.
step() {
    local name=$1
    shift
    step_name=$name
    if [ -f "$work/steps/$name" ]; then
        echo "== $name : déjà fait"
        return 0
    fi
    echo "== $name"
    local log="$work/logs/$name.log"
    # A subshell outside any condition, so that its first failing command
    # ends it (errexit is ignored inside a tested function).
    set +e
    (
        set -e
        "$@"
    ) >"$log" 2>&1
    local rc=$?
    set -e
    if [ $rc -ne 0 ]; then
        tail -n 30 "$log" >&2
        fail "voir $log"
    fi
    touch "$work/steps/$name"
}

if [ -f "$cache/.complete" ]; then
    echo "Chaîne Windows déjà prête : $prefix"
    exit 0
fi
mkdir -p "$work/steps" "$work/logs" "$work/src" "$prefix"
echo "Chaîne Windows dans $cache"

install_packages() {
    "$repo/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
        binutils-mingw-w64-x86-64 libz-mingw-w64-dev wine64 wine nsis tcl perl make \
        bison flex xz-utils qt6-base-dev qt6-translations-l10n dpkg-dev
}

# Debian's source packages through a private apt state: nothing of the
# system's apt set-up changes.
fetch_sources() {
    mkdir -p "$work/apt/lists/partial" "$work/apt/parts"
    cat >"$work/apt/parts/src.sources" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    local apt=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/apt/parts"
        -o Dir::State::Lists="$work/apt/lists" -o Debug::NoLocking=1)
    apt-get "${apt[@]}" update
    cd "$work/src"
    apt-get "${apt[@]}" source --download-only openssl postgresql-15 qt6-base sqlite3
    ls -1 ./*.dsc >"$cache/versions.txt"
}

unpack_sources() {
    cd "$work/src"
    rm -rf openssl-src pg-src qtbase-src
    mkdir openssl-src pg-src qtbase-src
    tar -xf openssl_*.orig.tar.gz -C openssl-src --strip-components=1
    tar -xf postgresql-15_*.orig.tar.bz2 -C pg-src --strip-components=1
    tar -xf qt6-base_*.orig.tar.xz -C qtbase-src --strip-components=1
}

# Qt from the prebuilt archive when there is one, checked against its hash.
unpack_qt() {
    if [ -f "$shared/$qt_archive" ]; then
        (cd "$shared" && sha256sum -c "$qt_archive.sha256")
        rm -rf "$work/qt-unpack" && mkdir -p "$work/qt-unpack"
        tar -xJf "$shared/$qt_archive" -C "$work/qt-unpack"
        cp -a "$work/qt-unpack/qt-6.4.2-mingw-w64/." "$prefix/"
        rm -rf "$work/qt-unpack"
    else
        build_qt
    fi
}

# The same build as the prebuilt archive's, for a machine without it (about
# 45 minutes on 2 cores).
build_qt() {
    cd "$work/src"
    local q=qtbase-src
    # Tablet input headers are not in Debian's tarball: Wine's LGPL ones
    # declare the same API.
    apt-get download libwine-dev
    rm -rf winedev && dpkg-deb -x libwine-dev_*.deb winedev
    mkdir -p $q/src/3rdparty/wintab
    cp winedev/usr/include/wine/wine/windows/wintab.h $q/src/3rdparty/wintab/wine_wintab.h
    cp winedev/usr/include/wine/wine/windows/pktdef.h $q/src/3rdparty/wintab/
    cat >$q/src/3rdparty/wintab/wintab.h <<'WT'
#pragma once
#include <windows.h>
#ifndef WINELIB_NAME_AW
# ifdef UNICODE
#  define WINELIB_NAME_AW(f) f##W
# else
#  define WINELIB_NAME_AW(f) f##A
# endif
#endif
#ifndef DECL_WINELIB_TYPE_AW
# define DECL_WINELIB_TYPE_AW(type) typedef WINELIB_NAME_AW(type) type;
#endif
#include "wine_wintab.h"
#ifndef API
# define API WINAPI
#endif
WT
    sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
        $q/src/plugins/platforms/windows/qwindowswindow.cpp
    rm -rf sqlite-src && mkdir sqlite-src
    tar -xf sqlite3_*.orig.tar.xz -C sqlite-src --strip-components=1
    mkdir -p sqlite-src/bld "$prefix/bin" "$prefix/lib" "$prefix/include"
    (cd sqlite-src/bld && ../configure --disable-tcl && make sqlite3.c)
    x86_64-w64-mingw32-gcc-posix -O2 -shared "-DSQLITE_API=__declspec(dllexport)" \
        -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_RTREE \
        -DSQLITE_ENABLE_UNLOCK_NOTIFY -DSQLITE_ENABLE_DBSTAT_VTAB -DSQLITE_SECURE_DELETE \
        -DSQLITE_THREADSAFE=1 -o "$prefix/bin/libsqlite3-0.dll" sqlite-src/bld/sqlite3.c \
        -Wl,--out-implib,"$prefix/lib/libsqlite3.dll.a"
    cp sqlite-src/bld/sqlite3.h sqlite-src/bld/sqlite3ext.h "$prefix/include/"
    write_toolchain_file
    cmake -G Ninja -S $q -B "$work/qt-build" -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_openssl=OFF \
        -DFEATURE_sql_psql=OFF -DFEATURE_sql_odbc=OFF -DFEATURE_sql_sqlite=ON \
        -DFEATURE_system_sqlite=ON -DSQLite3_INCLUDE_DIR="$prefix/include" \
        -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.dll.a"
    ninja -C "$work/qt-build"
    ninja -C "$work/qt-build" install
    rm -rf "$prefix/doc"
    find "$prefix" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
}

# A tool-chain file that finds the prefix wherever it lies.
write_toolchain_file() {
    cat >"$prefix/mingw-w64.cmake" <<'TF'
get_filename_component(_qt_mingw_prefix "${CMAKE_CURRENT_LIST_DIR}" ABSOLUTE)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${_qt_mingw_prefix}")
set(CMAKE_PREFIX_PATH "${_qt_mingw_prefix}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TF
}

build_openssl() {
    cd "$work/src/openssl-src"
    ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- --prefix="$prefix" \
        --libdir=lib shared no-tests no-module no-legacy no-engine
    make -j"$(nproc)" build_libs
    make install_dev install_runtime_libs
}

build_libpq() {
    cd "$work/src/pg-src"
    ./configure --host=x86_64-w64-mingw32 --prefix="$prefix" --with-ssl=openssl \
        --without-readline --without-zlib --without-icu --without-llvm \
        CC=x86_64-w64-mingw32-gcc-posix CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
    make -C src/include
    make -C src/common -j"$(nproc)"
    make -C src/port -j"$(nproc)"
    make -C src/interfaces/libpq -j"$(nproc)"
    make -C src/interfaces/libpq install
    # The DLL goes beside the others; lib/libpq.a is its import library.
    cp "$prefix/lib/libpq.dll" "$prefix/bin/"
    cp src/include/postgres_ext.h src/include/pg_config_ext.h src/include/pg_config.h \
        "$prefix/include/"
}

# Qt's PostgreSQL driver, built alone against the Qt of the prefix.
build_psql_driver() {
    cd "$work/src"
    rm -rf "$work/psql-build"
    cmake -G Ninja -S qtbase-src/src/plugins/sqldrivers -B "$work/psql-build" \
        -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DFEATURE_sql_psql=ON -DFEATURE_sql_sqlite=OFF -DFEATURE_sql_odbc=OFF \
        -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF \
        -DPostgreSQL_INCLUDE_DIR="$prefix/include" -DPostgreSQL_LIBRARY="$prefix/lib/libpq.a" \
        -DPostgreSQL_LIBRARY_RELEASE="$prefix/lib/libpq.a"
    ninja -C "$work/psql-build"
    ninja -C "$work/psql-build" install
    test -f "$prefix/plugins/sqldrivers/qsqlpsql.dll"
}

# Qt's own texts in French: the .qm files are the same on every system.
copy_translations() {
    mkdir -p "$prefix/translations"
    cp /usr/share/qt6/translations/qtbase_fr.qm "$prefix/translations/"
    find "$prefix/bin" -name '*.dll' -newer "$work/steps/unpack_qt" \
        -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
}

SECONDS=0
if [ -f "$shared/vordan-windows-$key.tar.xz" ]; then
    step_name="unpack_archive"
    echo "Copie préparée trouvée : $shared/vordan-windows-$key.tar.xz"
    (cd "$shared" && sha256sum -c "vordan-windows-$key.tar.xz.sha256")
    tar -xJf "$shared/vordan-windows-$key.tar.xz" -C "$cache"
    touch "$cache/.complete"
    echo "Chaîne Windows prête : $prefix"
    exit 0
fi

if [ -f "$shared/$qt_archive" ]; then
    echo "Durée estimée : environ 15 minutes sur 2 cœurs (Qt déjà construit)."
else
    echo "Durée estimée : environ une heure sur 2 cœurs."
fi
step install_packages install_packages
step fetch_sources fetch_sources
step unpack_sources unpack_sources
step unpack_qt unpack_qt
step toolchain_file write_toolchain_file
step openssl build_openssl
step libpq build_libpq
step psql_driver build_psql_driver
step translations copy_translations
rm -rf "$work/src" "$work/psql-build" "$work/qt-build"
touch "$cache/.complete"
echo "Chaîne Windows prête en $((SECONDS / 60)) min : $prefix"

if [ "$archive" = 1 ]; then
    out="$cache/../vordan-windows-$key.tar.xz"
    tar -C "$cache" -cf - prefix versions.txt .complete | xz -T"$(nproc)" -6 >"$out"
    (cd "$(dirname "$out")" && sha256sum "$(basename "$out")" >"$(basename "$out").sha256")
    echo "Archive : $out"
fi
