#!/usr/bin/env bash
# Installs the build into a DESTDIR as a package would and checks what a desktop finds
# there: the program, a valid desktop entry, AppStream metainfo, the project MIME type
# (by name and by content), the icon in every size and the man page.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
root="$dest/usr"
id=example.lumivista.Lumivista

[ -x "$root/bin/lumivista" ] || fail "no bin/lumivista"
"$root/bin/lumivista" --version | grep -q '^Lumivista ' || fail "installed program does not run"

desktop="$root/share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
grep -qx 'Exec=lumivista %f' "$desktop" || fail "desktop entry does not pass the file"
grep -qx 'Categories=Graphics;Photography;' "$desktop" || fail "desktop entry categories"
grep -q '^MimeType=.*application/x-lumivista-project;' "$desktop" || fail "desktop entry MIME"

appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" ||
  fail "metainfo does not validate"
grep -q '<screenshot' "$root/share/metainfo/$id.metainfo.xml" || fail "metainfo screenshot"

# The MIME type, compiled as the desktop does, knows *.lmv and the "[Param]" magic.
mime="$root/share/mime"
xmllint --noout "$mime/packages/$id.xml" || fail "MIME file is not well-formed"
update-mime-database "$mime"
grep -q 'application/x-lumivista-project:\*\.lmv' "$mime/globs2" || fail "no *.lmv glob"
grep -aq '\[Param\]' "$mime/magic" || fail "no [Param] magic"

[ -f "$root/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"
for size in 16 24 32 48 64 128 256; do
  png="$root/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ -f "$png" ] || fail "no ${size}px icon"
  file "$png" | grep -q "PNG image data, $size x $size" || fail "${size}px icon has another size"
done

man="$root/share/man/man1/lumivista.1.gz"
[ -f "$man" ] || fail "no man page"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man" 2>&1 >/dev/null || true)
[ -z "$warnings" ] || fail "man page warnings: $warnings"
zcat "$man" | grep -q 'generate' || fail "man page lacks the generate verb"

echo "install: all checks passed"
