# Cross-compiling VORDAN for 64-bit Windows with Debian's MinGW-w64, against
# the tool chain made by scripts/windows/toolchain.sh (Qt, SQLite, libpq and
# OpenSSL built for Windows). Its folder is given as VORDAN_WINDOWS_PREFIX
# (a cache variable, or the environment variable of the same name).
if(NOT VORDAN_WINDOWS_PREFIX)
  set(VORDAN_WINDOWS_PREFIX "$ENV{VORDAN_WINDOWS_PREFIX}")
endif()
if(NOT VORDAN_WINDOWS_PREFIX)
  message(FATAL_ERROR "VORDAN_WINDOWS_PREFIX : dossier de la chaîne Windows inconnu "
                      "(scripts/windows/toolchain.sh --chemin le donne).")
endif()
set(VORDAN_WINDOWS_PREFIX "${VORDAN_WINDOWS_PREFIX}" CACHE PATH "Windows tool chain prefix")
# Try-compiles get the same settings.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VORDAN_WINDOWS_PREFIX)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${VORDAN_WINDOWS_PREFIX}")
set(CMAKE_PREFIX_PATH "${VORDAN_WINDOWS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's build tools (moc, rcc, uic) are the installed Linux Qt's.
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

# Test programs run under Wine, with the tool chain's DLLs on their path.
get_filename_component(_vordan_source "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_vordan_source}/scripts/windows/wine-run.sh")
