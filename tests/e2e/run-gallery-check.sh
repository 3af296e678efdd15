#!/usr/bin/env bash
# Builds galleries from real photos with the command line, as a script would, and browses
# each one in headless Chromium served over HTTP on 127.0.0.1. New projects make pages for
# phones and HiDPI screens: the Nu HTML checker finds no error in them, and the demo gallery
# passes the phone checks of mobile-check.mjs.
# usage: run-gallery-check.sh LUMIVISTA SOURCE_DIR
set -euo pipefail
lumivista=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

modules="$src/tests/e2e/node_modules"
if [ ! -d "$modules/playwright-core" ] || [ ! -d "$modules/axe-core" ] || [ ! -f "$modules/vnu-jar/build/dist/vnu.jar" ]; then
  # --ignore-scripts: the Nu checker runs on Debian's Java, it downloads none of its own
  (cd "$src/tests/e2e" && npm ci --no-audit --no-fund --silent --ignore-scripts)
fi

# Real camera photos, some under names that break a naive link: "#", "%", blanks, umlauts.
mkdir -p "$work/photos"
cp "$src"/examples/demo/photos/*.jpg "$work/photos/"
cp "$src/examples/demo/photos/throne-hall.jpg" "$work/photos/Bild #1.jpg"
cp "$src/examples/demo/photos/throne-hall.jpg" "$work/photos/Straße 100% sicher?.jpg"
count=$(ls "$work/photos" | wc -l)

check() { # name, first page, then project settings
  local name=$1 first=$2
  shift 2
  "$lumivista" project new "$work/$name.lmv" --folder "$work/photos" --target "$work/$name" "$@"
  "$lumivista" generate "$work/$name.lmv" --yes
  # every picture page and every index page must be reachable
  node "$src/tests/e2e/gallery-check.mjs" "$work/$name" "$first" "$count"
}

# Two pictures a page, so the index pages link each other; sub-folders with a blank.
check plain index.htm Col=2 Row=1 "TnPath=klein bilder" "PicPath=gross" "Titel=Urlaub am Meer"
# Renumbered files in the target folder itself, own index name.
check renumbered start.htm NewNum=1 Index=start TnPath= PicPath=
# A CD image always starts at index.htm.
check cd index.htm CDImage=1 Index=start

# The demo gallery as `make demo` makes it, on a phone and for accessibility.
"$lumivista" project new "$work/demo.lmv" --folder "$src/examples/demo/photos" --target "$work/demo" \
  "Titel=Lumivista Demo" Col=3 Row=2
"$lumivista" generate "$work/demo.lmv" --yes
node "$src/tests/e2e/mobile-check.mjs" "$work/demo" index.htm

# Every page of every gallery above, in the Nu HTML checker: errors only.
find "$work/plain" "$work/renumbered" "$work/cd" "$work/demo" -name '*.htm' -print0 |
  xargs -0 java -Xss8m -jar "$modules/vnu-jar/build/dist/vnu.jar" --errors-only --html
echo "Nu HTML checker: no errors"
