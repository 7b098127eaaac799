# Sourced by scripts/test and scripts/package when scripts/windows runs them: the
# cross-build's CMake options and build tree. The programs Wine runs (the tests, and the icon
# drawn at build time) run in the Wine prefix, server and display scripts/windows gives.
build=${BUILD_DIR:-build-windows}
export PKG_CONFIG_LIBDIR=$PICTRAK_WINDOWS_PREFIX/lib/pkgconfig
options=(-DCMAKE_TOOLCHAIN_FILE="$PWD/scripts/windows-toolchain.cmake"
         -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/scripts/wine-run"
         -DCMAKE_PREFIX_PATH="$PICTRAK_WINDOWS_PREFIX"
         -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
