#!/usr/bin/env bash
# The e-nodraviewer launcher, in an installed layout where a stand-in viewer reports the folder it
# was started in and the arguments it got: the folder must be the viewer's own under XDG_DATA_HOME
# (the one ./run uses), created when missing, never the caller's folder.
set -euo pipefail
: "${QLV_BUILD_DIR:?}" "${QLV_INSTALL_BINDIR:?}" "${QLV_VIEWER_INSTALL_DIR:?}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
mkdir -p "$prefix/$QLV_INSTALL_BINDIR" "$prefix/$QLV_VIEWER_INSTALL_DIR" "$work/caller"
cp "$QLV_BUILD_DIR/packaging/launcher/e-nodraviewer" "$prefix/$QLV_INSTALL_BINDIR/"
cat >"$prefix/$QLV_VIEWER_INSTALL_DIR/e-NodraViewer" <<'EOF'
#!/bin/sh
printf '%s\n' "$PWD" "$#" "$@"
EOF
chmod +x "$prefix/$QLV_VIEWER_INSTALL_DIR/e-NodraViewer"
# Started through a link on the PATH, as from /usr/local/bin.
mkdir "$work/linked"
ln -s "$prefix/$QLV_INSTALL_BINDIR/e-nodraviewer" "$work/linked/e-nodraviewer"

failures=0
# name | launcher (installed or linked) | HOME | XDG_DATA_HOME (unset: -) | QLV_VIEWER_HOME (unset: -) | expected folder
while IFS='|' read -r name launcher home data_home viewer_home expected; do
    env_args=(-u XDG_DATA_HOME -u QLV_VIEWER_HOME "HOME=$work/$home")
    [ "$data_home" = - ] || env_args+=("XDG_DATA_HOME=${data_home//@/$work}")
    [ "$viewer_home" = - ] || env_args+=("QLV_VIEWER_HOME=$work/$viewer_home")
    expected=$work/$expected
    command=$prefix/$QLV_INSTALL_BINDIR/e-nodraviewer
    [ "$launcher" = installed ] || command=$work/linked/e-nodraviewer
    rm -rf "${work:?}/home" "$work/data" "$work/home with space" "$work/chosen"
    mkdir -p "$work/$home"
    if ! output=$(cd "$work/caller" && env "${env_args[@]}" "$command" --flag 'two words' 2>&1); then
        echo "FAIL $name: the launcher failed: $output"
        failures=$((failures + 1))
        continue
    fi
    wanted=$(printf '%s\n' "$expected" 2 --flag 'two words')
    if [ "$output" != "$wanted" ] || [ ! -d "$expected" ]; then
        printf 'FAIL %s: expected\n%s\ngot\n%s\n' "$name" "$wanted" "$output"
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
done <<'EOF'
XDG_DATA_HOME set|installed|home|@/data|-|data/e-NodraViewer
XDG_DATA_HOME unset|installed|home|-|-|home/.local/share/e-NodraViewer
XDG_DATA_HOME empty|installed|home||-|home/.local/share/e-NodraViewer
XDG_DATA_HOME relative, ignored|installed|home|data|-|home/.local/share/e-NodraViewer
home folder with a space|installed|home with space|-|-|home with space/.local/share/e-NodraViewer
QLV_VIEWER_HOME wins, as in ./run|installed|home|@/data|chosen|chosen
started through a link|linked|home|-|-|home/.local/share/e-NodraViewer
EOF
[ "$failures" -eq 0 ] || exit 1
echo "PASS"
