# Shared by ./run and ./test: installs the Debian packages the build needs, skipping those present.
# Sourced, not run.

qlv_packages=(
    cmake ninja-build g++ pkg-config
    libusb-1.0-0-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    umockdev libumockdev-dev usbutils
    python3 file
    libyuv-dev
    qt6-base-dev libjpeg62-turbo-dev libturbojpeg0-dev
    help2man
    clang libclang-rt-14-dev clang-format
)
# What ./test needs beyond the build: making and checking the Debian package; a spooler with a PDF
# printer and a PDF renderer for the print test.
qlv_test_packages=(dpkg-dev lintian desktop-file-utils
    cups printer-driver-cups-pdf poppler-utils)

qlv_install_missing() {
    local missing=()
    local package
    for package in "${qlv_packages[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        echo "==> all build packages present"
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "==> installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

qlv_build() {
    local preset=$1
    echo "==> configuring (preset $preset)"
    cmake --preset "$preset" >/dev/null
    echo "==> building (preset $preset)"
    cmake --build --preset "$preset"
}

# The Windows build (MinGW-w64 cross compiler, GoogleTest sources) and Wine to run its tests.
qlv_windows_packages=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest wine64)
