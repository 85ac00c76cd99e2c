# Debian packages the project needs, and a check that installs the missing ones.
# Sourced by demo.sh and test.sh.

ORVEL_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev
    qt6-qpa-plugins libgl-dev libqcustomplot-dev libmosquitto-dev fonts-dejavu-core)

# What building and checking the Debian package needs beyond the build (packaging/check-package.sh;
# systemd for systemd-analyze, which verifies the logger's unit).
ORVEL_PACKAGE_PACKAGES=(dpkg-dev file binutils desktop-file-utils appstream librsvg2-bin lintian man-db
    systemd)

# ensure_packages PACKAGE...: installs what is missing (as root), or prints the one apt-get line
# to run and fails.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages. Install them first:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        return 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! apt-get install -y -q "${missing[@]}"; then
        apt-get update -q
        apt-get install -y -q "${missing[@]}"
    fi
}

# What the fuzz targets and the sanitizer build need (clang with libFuzzer; scripts/fuzz.sh).
ORVEL_HARDENING_PACKAGES=(clang-14 libclang-rt-14-dev llvm-14)

# Makes test.sh's repeated builds quick: unchanged sources come from the compiler cache. The
# publishing tests run the MQTT broker (mosquitto) on the loopback, one with a certificate made by
# openssl; the service unit's check runs systemd-analyze (systemd).
ORVEL_TEST_PACKAGES=(ccache mosquitto openssl systemd)

# orvel_compiler_launcher: the CMake option that compiles through ccache, when it is installed.
orvel_compiler_launcher() {
    if command -v ccache >/dev/null; then
        echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    fi
}
