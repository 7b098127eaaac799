# Sourced by scripts/test and scripts/package when scripts/windows runs them: the
# cross-build's CMake options and build tree, and for the programs Wine runs (the tests,
# and the icon drawn at build time) a Wine prefix and a virtual display of their own.
build=${BUILD_DIR:-build-windows}
export PKG_CONFIG_LIBDIR=$PICTRAK_WINDOWS_PREFIX/lib/pkgconfig
options=(-DCMAKE_TOOLCHAIN_FILE="$PWD/scripts/windows-toolchain.cmake"
         -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/scripts/wine-run"
         -DCMAKE_PREFIX_PATH="$PICTRAK_WINDOWS_PREFIX"
         -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)

windows_display=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$windows_display" >/dev/null 2>&1 &
windows_xvfb=$!
# Wine's programs end before their display does. Under set -e a failing command here would
# become the script's exit status: wineserver -k fails when no Wine program is left.
trap 'WINEPREFIX=${WINEPREFIX:-${PICTRAK_WINDOWS_ROOT:-/var/cache/pictrak2shp/windows}/wine} wineserver -k 2>/dev/null || true
      kill $windows_xvfb 2>/dev/null || true; rm -f "$windows_display"' EXIT
for _ in $(seq 100); do [ -s "$windows_display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$windows_display")"
# A new Wine prefix is made on its first use; made here, it takes no test's time.
scripts/wine-run wineboot --init >/dev/null 2>&1 || true
# A program that crashes ends at once with the crash's status, as on Windows with no debugger
# set up: Wine's own debugger would report the crash and end the program with status 0, and
# may keep the test's output open, so that ctest waits past any timeout.
scripts/wine-run reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' /f \
    >/dev/null 2>&1 || true
