#!/usr/bin/env bash
# The Debian package: made by CPack from the build, holding the product's files under /usr and
# nothing else, with dependencies from the binaries, clean under lintian, with a valid menu entry
# whose command and icon it carries, and installable by apt on this system.
set -euo pipefail
: "${QLV_BUILD_DIR:?}" "${QLV_VERSION:?}" "${QLV_INSTALL_LIBDIR:?}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
for tool in lintian desktop-file-validate dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done

cpack --config "$QLV_BUILD_DIR/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$work/out/qlv-camera_${QLV_VERSION}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$work/out")"

echo "== control fields"
[ "$(dpkg-deb -f "$deb" Package)" = qlv-camera ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$QLV_VERSION" ] || fail "package version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The package names alone, one a line.
depended=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
for package in libc6 libstdc++6 libusb-1.0-0 libqt6core6 libqt6widgets6; do
    grep -qxF "$package" <<<"$depended" || fail "Depends lacks $package"
done
if grep -q -- '-dev$' <<<"$depended"; then
    fail "Depends names a development package"
fi
dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm triggers shlibs; do
    [ -f "$work/control/$script" ] || fail "no $script"
done
grep -qx 'activate-noawait ldconfig' "$work/control/triggers" || fail "no ldconfig trigger"
grep -q '^libQLV_API '"${QLV_VERSION%%.*}"' qlv-camera ' "$work/control/shlibs" || fail "shlibs"

echo "== files"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
libdir=/usr/$QLV_INSTALL_LIBDIR
expected=(
    /usr/bin/qlvctl /usr/bin/e-nodraviewer /usr/libexec/e-nodraviewer/e-NodraViewer
    "$libdir/libQLV_API.so.$QLV_VERSION" "$libdir/libQLV_API.so.${QLV_VERSION%%.*}"
    "$libdir/libQLV_API.so" /usr/include/qlv/QLV_API.h "$libdir/pkgconfig/qlv_api.pc"
    "$libdir/cmake/QLV_API/QLV_APIConfig.cmake" "$libdir/cmake/QLV_API/QLV_APIConfigVersion.cmake"
    /usr/share/man/man1/qlvctl.1.gz /usr/share/man/man1/e-nodraviewer.1.gz
    /usr/share/bash-completion/completions/qlvctl /usr/share/applications/e-nodraviewer.desktop
    /usr/share/icons/hicolor/scalable/apps/e-nodraviewer.svg
    /usr/lib/udev/rules.d/70-qlv-camera.rules
    /usr/share/doc/qlv-camera/copyright /usr/share/doc/qlv-camera/changelog.gz
    /usr/share/doc/qlv-camera/sdk.md /usr/share/doc/qlv-camera/examples/stream_frames.c
)
for size in 16 24 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/e-nodraviewer.png")
done
missing=0
for file in "${expected[@]}"; do
    grep -qxF "$file" "$work/files" || { echo "missing: $file"; missing=1; }
done
[ "$missing" -eq 0 ] || fail "files missing from the package"
if grep -v '^/usr/' "$work/files" | grep -q .; then
    fail "files outside /usr: $(grep -v '^/usr/' "$work/files")"
fi
if grep -q '^/usr/local' "$work/files"; then
    fail "files under /usr/local"
fi

echo "== the menu entry: valid, and its command and icon are in the package"
dpkg-deb -x "$deb" "$work/root"
desktop=$work/root/usr/share/applications/e-nodraviewer.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
exec_command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon=$(sed -n 's/^Icon=//p' "$desktop")
grep -qxF "/usr/bin/$exec_command" "$work/files" || fail "Exec=$exec_command is not in /usr/bin"
grep -qxF "/usr/share/icons/hicolor/scalable/apps/$icon.svg" "$work/files" || fail "Icon=$icon"
grep -q 'prefix=/usr$' "$work/root/$libdir/pkgconfig/qlv_api.pc" || fail "the .pc names another prefix"

echo "== lintian"
lintian_status=0
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
[ "$lintian_status" -eq 0 ] || fail "lintian found errors or warnings"

echo "== apt would install it here"
apt-get install --simulate "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt"; }
grep -Eq "^Inst qlv-camera |qlv-camera is already the newest" "$work/apt.log" ||
    { cat "$work/apt.log"; fail "apt would not install it"; }
echo "PASS"
