#!/usr/bin/env bash
# The SDK as a user gets it: `cmake --install` into a temporary DESTDIR, then the example program
# built from the installed files alone, once through pkg-config and once through find_package, and
# run on the virtual camera until it has saved a picture.
set -euo pipefail
: "${QLV_SOURCE_DIR:?}" "${QLV_BUILD_DIR:?}" "${QLV_VERSION:?}" "${QLV_INSTALL_LIBDIR:?}"
: "${QLV_EXPORT_COUNT:?}" "${QLV_C_COMPILER:?}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
libdir=$stage/usr/$QLV_INSTALL_LIBDIR
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

DESTDIR=$stage cmake --install "$QLV_BUILD_DIR" --prefix /usr >"$work/install.log" ||
    { cat "$work/install.log"; fail "cmake --install"; }

echo "== the library: versioned file, SONAME, exactly the public functions"
major=${QLV_VERSION%%.*}
[ -f "$libdir/libQLV_API.so.$QLV_VERSION" ] || fail "no libQLV_API.so.$QLV_VERSION"
[ "$(readlink "$libdir/libQLV_API.so")" = "libQLV_API.so.$major" ] || fail "libQLV_API.so link"
[ "$(readlink "$libdir/libQLV_API.so.$major")" = "libQLV_API.so.$QLV_VERSION" ] ||
    fail "libQLV_API.so.$major link"
readelf -d "$libdir/libQLV_API.so.$QLV_VERSION" | grep -q "SONAME.*\[libQLV_API.so.$major\]" ||
    fail "SONAME is not libQLV_API.so.$major"
"$QLV_SOURCE_DIR/tests/QLV_API/check_exports.sh" "$libdir/libQLV_API.so.$QLV_VERSION" \
    "$stage/usr/include/qlv/QLV_API.h" "$QLV_EXPORT_COUNT"

echo "== nothing installed points back into the build or source tree"
for binary in "$libdir/libQLV_API.so.$QLV_VERSION" "$stage/usr/bin/qlvctl" \
    "$stage/usr/libexec/e-nodraviewer/e-NodraViewer"; do
    if readelf -d "$binary" | grep -Eq 'RPATH|RUNPATH'; then
        fail "$binary keeps a run path"
    fi
done
if grep -rlI -e "$QLV_SOURCE_DIR" -e "$QLV_BUILD_DIR" "$stage"; then
    fail "the files above name the source or build folder"
fi

echo "== qlvctl --version names the tool's and the loaded library's versions"
version_text=$(LD_LIBRARY_PATH=$libdir "$stage/usr/bin/qlvctl" --version)
expected_text=$(printf 'qlvctl %s\nQLV_API library %s' "$QLV_VERSION" "${QLV_VERSION%.*}")
[ "$version_text" = "$expected_text" ] || fail "qlvctl --version said: $version_text"

# The example is copied out so that nothing next to it in the source tree can be picked up.
mkdir "$work/example"
cp "$QLV_SOURCE_DIR/examples/stream_frames.c" "$QLV_SOURCE_DIR/examples/CMakeLists.txt" \
    "$work/example/"

echo "== build with pkg-config"
export PKG_CONFIG_PATH=$libdir/pkgconfig PKG_CONFIG_SYSROOT_DIR=$stage
pkg_flags=$(pkg-config --cflags --libs qlv_api)
[ "$(pkg-config --modversion qlv_api)" = "$QLV_VERSION" ] || fail "pkg-config version"
# shellcheck disable=SC2086 # the flags are words
"$QLV_C_COMPILER" -std=c99 -Wall -Wextra -Wpedantic -Werror -o "$work/stream_frames_pc" \
    "$work/example/stream_frames.c" $pkg_flags

echo "== build with find_package"
cmake -S "$work/example" -B "$work/example-build" -G Ninja -DCMAKE_PREFIX_PATH="$stage/usr" \
    -DCMAKE_C_COMPILER="$QLV_C_COMPILER" \
    -DCMAKE_C_FLAGS="-Wpedantic -Werror" >"$work/configure.log" ||
    { cat "$work/configure.log"; fail "configuring the example"; }
grep -q "^QLV_API_DIR:PATH=$libdir/cmake/QLV_API\$" "$work/example-build/CMakeCache.txt" ||
    fail "find_package took another QLV_API: $(grep QLV_API_DIR "$work/example-build/CMakeCache.txt")"
cmake --build "$work/example-build" >"$work/build.log" || { cat "$work/build.log"; fail "build"; }

check_picture() {
    python3 - "$1" <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
magic, size, depth, pixels = data.split(b"\n", 3)
width, height = map(int, size.split())
assert (magic, width, height, depth) == (b"P6", 640, 480, b"255"), (magic, size, depth)
assert len(pixels) == width * height * 3, len(pixels)
colours = {pixels[i:i + 3] for i in range(0, len(pixels), 3 * 97)}
assert len(colours) > 20, f"a flat picture: {len(colours)} colours"
EOF
}

for program in stream_frames_pc example-build/stream_frames; do
    echo "== $program on the virtual camera"
    picture=$work/${program//\//_}.ppm
    output=$(cd "$work" && QLV_CAMERA=virtual LD_LIBRARY_PATH=$libdir "./$program" 20 "$picture") ||
        fail "$program ended with $?: $output"
    echo "$output"
    # Frames keep coming while the program checks the count, so it may see a few more.
    received=$(sed -n 's/^\([0-9]*\) frames of 640 x 480 in .*/\1/p' <<<"$output")
    [ "${received:-0}" -ge 20 ] || fail "$program did not report 20 frames"
    check_picture "$picture" || fail "$program saved no readable picture"
done
echo "PASS"
