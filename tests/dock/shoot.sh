#!/usr/bin/env bash
# Screenshots of the dock demo under Xvfb: the start and the explorer slid out.
#   tests/dock/shoot.sh BUILD_DIR OUT_DIR
set -euo pipefail
build="${1:?build folder}"
out="${2:?output folder}"
mkdir -p "$out"
demo="$build/tests/dock/dock_demo"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
  '$demo' --quit-after 4000 & pid=\$!
  sleep 2; import -window root '$out/dock-start.png'
  wait \$pid
  '$demo' --explorer-out --quit-after 4000 & pid=\$!
  sleep 2; import -window root '$out/dock-explorer-out.png'
  wait \$pid
"
echo "$out/dock-start.png $out/dock-explorer-out.png"
