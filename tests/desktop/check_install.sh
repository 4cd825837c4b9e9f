#!/bin/sh
# Installs the build under a fresh prefix and checks that the program and the
# desktop files are where the desktop looks for them, valid as installed.
#   check_install.sh BUILD_DIR PREFIX APP_ID
set -eu
build="$1" prefix="$2" id="$3"
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/Project1 \
            "share/applications/$id.desktop" \
            "share/metainfo/$id.metainfo.xml" \
            "share/icons/hicolor/scalable/apps/$id.svg" \
            "share/icons/hicolor/48x48/apps/$id.png"; do
    [ -s "$prefix/$file" ] || { echo "not installed: $file" >&2; exit 1; }
done
[ -x "$prefix/bin/Project1" ] || { echo "bin/Project1 is not executable" >&2; exit 1; }
desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null
rm -rf "$prefix"
