# Builds the Windows preset and runs its tests under Wine, for ./test. Sourced, not run.
# QLV_WINDOWS_TESTS=0 leaves them out; packages that cannot be installed are a skip, said loudly.

qlv_windows_tests() {
    if [ "${QLV_WINDOWS_TESTS:-1}" = 0 ]; then
        echo "==> SKIPPED: Windows tests (QLV_WINDOWS_TESTS=0)"
        return 0
    fi
    if ! qlv_install_missing "${qlv_windows_packages[@]}"; then
        echo "==> SKIPPED: Windows tests: cannot install ${qlv_windows_packages[*]}"
        return 0
    fi
    local wine=/usr/lib/wine/wine64
    if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || [ ! -x "$wine" ]; then
        echo "==> SKIPPED: Windows tests: MinGW-w64 or Wine is missing after installation"
        return 0
    fi
    local started=$SECONDS
    # A prefix of our own, so that the tests never touch the user's Wine setup; made once
    # (about 13 s), then reused.
    export WINEPREFIX=$PWD/build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    local wineserver=/usr/lib/wine/wineserver
    # A server left by an earlier, interrupted run would make the wait below last for ever.
    "$wineserver" -k 2>/dev/null || true
    echo "==> starting Wine (prefix $WINEPREFIX)"
    "$wine" wineboot --init >/dev/null 2>&1 || true
    # wineboot leaves its server running for a few seconds; wait for it to go, then start one
    # that stays while the tests come and go (each program then starts in well under a second)
    # and ends by itself a minute after the last.
    timeout 60 "$wineserver" -w || "$wineserver" -k 2>/dev/null || true
    "$wineserver" -p60 || echo "==> no lasting wineserver; the tests start their own"
    local result=0
    qlv_build windows || result=$?
    if [ $result = 0 ]; then
        echo "==> running the Windows tests under Wine"
        ctest --preset windows --parallel "$(nproc)" --timeout 300 --no-tests=error || result=$?
    fi
    "$wineserver" -k 2>/dev/null || true
    echo "==> Windows build and tests took $((SECONDS - started)) s"
    return $result
}
