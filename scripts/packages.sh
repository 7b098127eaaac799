# Installs the Debian packages given as arguments when any is missing (sourced by the other scripts).
ensure_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-private-dev libexif-dev libshp-dev libjpeg-dev libxcb1-dev libgtest-dev zlib1g-dev
                fonts-dejavu-core fonts-dejavu-extra)
TEST_PACKAGES=(gdal-bin python3 python3-pyshp libimage-exiftool-perl xvfb xdotool x11-utils)
PACKAGE_PACKAGES=(dpkg-dev fakeroot file lintian desktop-file-utils appstream)
# The cross toolchain for Windows (scripts/windows) and Wine to run what it builds.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
                  dpkg-dev autoconf automake libtool gettext autopoint nasm perl wine wine64 xvfb xdotool nsis
                  wixl msitools debian-archive-keyring)
