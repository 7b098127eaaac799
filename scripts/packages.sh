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

BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libexif-dev libshp-dev libjpeg-dev libxcb1-dev libgtest-dev
                fonts-dejavu-core fonts-dejavu-extra)
TEST_PACKAGES=(gdal-bin python3 python3-pyshp libimage-exiftool-perl xvfb xdotool x11-utils)
PACKAGE_PACKAGES=(dpkg-dev fakeroot file lintian desktop-file-utils appstream)
