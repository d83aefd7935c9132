# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix thread model,
# g++-mingw-w64-x86-64-posix), the programs linked -static so that they need only
# the system's own DLLs. Tests run under Wine (wine64): ctest and the build-time
# test discovery start every .exe through CMAKE_CROSSCOMPILING_EMULATOR.
#
#   cmake --preset windows-cross      (see CMakePresets.json and scripts/windows-check.sh)
#
# KESTRINE_WINDOWS_DEPS names the prefix that holds what Debian does not package for
# MinGW: TinyXML, GoogleTest and copies of the header-only CLI11 and nlohmann-json.
# KESTRINE_WINE_PREFIX is the Wine prefix the tests run in (its own, not ~/.wine).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KESTRINE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTRINE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRINE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRINE_MINGW_TRIPLE}-windres)

# try_compile projects read this file again: hand them the same folders.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KESTRINE_WINDOWS_DEPS KESTRINE_WINE_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTRINE_MINGW_TRIPLE})
if(KESTRINE_WINDOWS_DEPS)
  list(PREPEND CMAKE_FIND_ROOT_PATH "${KESTRINE_WINDOWS_DEPS}")
  # pkg-config must see the Windows libraries only, never the host's /usr/lib ones.
  set(ENV{PKG_CONFIG_LIBDIR} "${KESTRINE_WINDOWS_DEPS}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libstdc++, libgcc or winpthread DLL beside the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Debian's wine64 package installs /usr/lib/wine/wine64; the wine package adds the
# usual `wine` launcher in front of it.
find_program(KESTRINE_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KESTRINE_WINE)
  if(NOT KESTRINE_WINE_PREFIX)
    set(KESTRINE_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine")
  endif()
  # Quiet, headless (no Mono or Gecko installer asks anything) and in its own prefix.
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" "WINEPREFIX=${KESTRINE_WINE_PREFIX}" ${KESTRINE_WINE})
endif()
