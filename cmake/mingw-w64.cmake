# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix thread model).
# Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake ...
# The Qt built by scripts/windows-qt.sh lives in EQSET_QT_PREFIX (default below;
# the environment variable of that name overrides it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(EQSET_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${EQSET_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${EQSET_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${EQSET_MINGW_TRIPLET}-windres)

if(DEFINED ENV{EQSET_QT_PREFIX})
  set(EQSET_QT_PREFIX "$ENV{EQSET_QT_PREFIX}")
elseif(NOT DEFINED EQSET_QT_PREFIX)
  set(EQSET_QT_PREFIX "/var/cache/eqset-windows/qt")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${EQSET_MINGW_TRIPLET} "${EQSET_QT_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs (.exe) run under Wine when it is installed, through
# wine-run.sh: the build's own Wine prefix (EQSET_WINEPREFIX, by default in the
# build folder), and Qt's and the mingw runtime's DLLs on Wine's path. Wine 8.0
# on Debian 12 is 64-bit only and has no wine64 on PATH.
find_program(EQSET_WINE NAMES wine PATHS /usr/bin /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(EQSET_WINE)
  if(NOT DEFINED EQSET_WINEPREFIX)
    set(EQSET_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  endif()
  set(EQSET_MINGW_RUNTIME /usr/lib/gcc/${EQSET_MINGW_TRIPLET}/12-posix /usr/${EQSET_MINGW_TRIPLET}/lib)
  set(dll_path "")
  foreach(folder "${EQSET_QT_PREFIX}/bin" ${EQSET_MINGW_RUNTIME})
    string(APPEND dll_path "Z:${folder}|")
  endforeach()
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${EQSET_WINEPREFIX};${dll_path}")
endif()
