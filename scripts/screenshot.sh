#!/usr/bin/env bash
# Remakes docs/screenshot.png: the viewer on the virtual camera, under a virtual X server with a
# window manager, as a person sees it. Run after a change of look:
#     scripts/screenshot.sh [viewer program]      (default: the release build ./run makes)
# Needs xvfb, xauth, openbox, xdotool, x11-utils and imagemagick (./run's setup installs none of
# them; apt-get install -y them first).
set -euo pipefail
cd "$(dirname "$0")/.."
viewer=$(realpath "${1:-build/release/viewer/app/e-NodraViewer}")
out=$PWD/docs/screenshot.png

if [ -z "${QLV_SCREENSHOT_INNER:-}" ]; then
    exec env QLV_SCREENSHOT_INNER=1 xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
        "$0" "$viewer"
fi

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
openbox --sm-disable >/dev/null 2>&1 &
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
    sleep 0.1
done

mkdir -m 700 "$work/runtime"
(cd "$work" && QLV_CAMERA=virtual XDG_RUNTIME_DIR=$work/runtime HOME=$work "$viewer") &
wid=$(xdotool search --sync --onlyvisible --name '^e-Nodra Viewer Ver3\.0$' | head -n 1)
# The first picture shows after the first 500 ms camera check and a few settling frames.
sleep 2
import -window "$wid" -frame "$out"
echo "wrote $out"
