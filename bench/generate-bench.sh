#!/usr/bin/env bash
# Measures a full `lumivista generate` of real camera photos (two workers) against the
# decode floor (every photo decoded at full size with libjpeg-turbo, two at a time) and a
# thumbnailer in the same run, and reports the ratios and the peak memory of each; then
# the peak of a 40000 x 10000 baseline panorama made from one of the photos.
# usage: bench/generate-bench.sh [LUMIVISTA] [PHOTO_DIR]
# Without PHOTO_DIR the 16 photos of Debian's mate-backgrounds package are used (GPL-2+,
# real camera photos of 1.3 to 18 megapixels), each as shot, progressive and turned.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
lumivista=${1:-$here/build/src/app/lumivista}
photos=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -z "$photos" ]; then
  cache=$here/build/bench-photos
  if [ ! -d "$cache" ]; then
    mkdir -p "$cache.tmp"
    (cd "$cache.tmp" && apt-get download mate-backgrounds >/dev/null && dpkg -x mate-backgrounds_*.deb x)
    # Each photo three times, as a real set has baseline and progressive files of many
    # sizes: as shot, progressive, and turned a quarter (progressive).
    i=0
    while IFS= read -r f; do
      i=$((i + 1))
      cp "$f" "$cache.tmp/photo${i}a.jpg"
      jpegtran -progressive -copy all -outfile "$cache.tmp/photo${i}b.jpg" "$f"
      jpegtran -rotate 90 -progressive -copy all -outfile "$cache.tmp/photo${i}c.jpg" "$f"
    done < <(find "$cache.tmp/x" -iname '*.jpg' | sort)
    rm -rf "$cache.tmp/x" "$cache.tmp"/*.deb
    mv "$cache.tmp" "$cache"
  fi
  photos=$cache
fi

n=$(ls "$photos"/*.jpg | wc -l)
mp=$(identify -format '%w %h\n' "$photos"/*.jpg | awk '{s += $1 * $2} END {printf "%.0f", s / 1e6}')
echo "photos: $n, $mp megapixels"

# Peak resident memory (KiB) of every process is appended to $work/mem.NAME.
floor_run() {
  ls "$photos"/*.jpg | xargs -P2 -n1 sh -c \
    '/usr/bin/time -f %M -a -o "$0" djpeg -dct int -outfile /dev/null "$1"' "$work/mem.floor"
}
# The fastest peer: a thumbnailer making the large and the small copy, two processes.
vips_run() {
  rm -rf "$work/vips" && mkdir -p "$work/vips"
  ls "$photos"/*.jpg | xargs -P2 -n1 sh -c \
    'm="/usr/bin/time -f %M -a -o $1"; $m vipsthumbnail "$2" -s 600x400 -o "$0/%s_l.jpg[Q=80]" && $m vipsthumbnail "$2" -s 150x100 -o "$0/%s_s.jpg[Q=80]"' \
    "$work/vips" "$work/mem.vips"
}
gen_run() { # full: a fresh target folder; again: the same one, nothing changed
  [ "$1" = full ] && rm -rf "$work/out" && mkdir -p "$work/out"
  /usr/bin/time -f '%M' -a -o "$work/mem.$1" "$lumivista" generate "$work/p.lmv" --yes --jobs 2 >/dev/null 2>"$work/log"
}
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
peak() { echo $(($(sort -n "$work/mem.$1" | tail -1) / 1024)); } # MiB, largest of all runs
timed() {
  local t0=$EPOCHREALTIME t1
  "$@"
  t1=$EPOCHREALTIME
  echo "$t1 - $t0" | bc -l
}

"$lumivista" project new "$work/p.lmv" --folder "$photos" --target "$work/out" >/dev/null 2>&1
have_vips=0
command -v vipsthumbnail >/dev/null && have_vips=1

: >"$work/floor"; : >"$work/vips.t"; : >"$work/full"; : >"$work/again"
: >"$work/mem.floor"; : >"$work/mem.vips"; : >"$work/mem.full"; : >"$work/mem.again"
for round in 1 2 3 4 5; do
  timed floor_run >>"$work/floor"
  [ $have_vips = 1 ] && timed vips_run >>"$work/vips.t"
  timed gen_run full >>"$work/full"
  timed gen_run again >>"$work/again"
done
floor=$(median <"$work/floor"); full=$(median <"$work/full"); again=$(median <"$work/again")
printf 'median of 5 rounds (peak: the largest resident memory of one process in any round):\n'
printf '  decode floor (djpeg -dct int, 2 at a time)  %6.2f s                          peak %4d MiB a process\n' \
  "$floor" "$(peak floor)"
if [ $have_vips = 1 ]; then
  vips=$(median <"$work/vips.t")
  printf '  vipsthumbnail, 2 processes                   %6.2f s  %.2fx floor               peak %4d MiB a process\n' \
    "$vips" "$(echo "$vips / $floor" | bc -l)" "$(peak vips)"
fi
printf '  lumivista generate --jobs 2, full            %6.2f s  %.2fx floor' "$full" "$(echo "$full / $floor" | bc -l)"
[ $have_vips = 1 ] && printf ', %.2fx vips' "$(echo "$full / $vips" | bc -l)"
printf '  peak %4d MiB\n' "$(peak full)"
printf '  lumivista generate, unchanged re-run         %6.2f s  %.1f %% of full            peak %4d MiB\n' \
  "$again" "$(echo "100 * $again / $full" | bc -l)" "$(peak again)"

# A baseline panorama of 40000 x 10000 pixels (1.2 GB as 24-bit pixels), tiled from the
# largest photo as libjpeg-turbo decodes it, written row by row; its gallery picture is
# 600 x 150.
panorama=$here/build/bench-panorama/panorama.jpg
if [ ! -f "$panorama" ]; then
  mkdir -p "$(dirname "$panorama")"
  tile=$(ls -S "$photos"/*.jpg | head -1)
  djpeg -dct int -pnm "$tile" | python3 -c '
import sys
src = sys.stdin.buffer
magic, size, depth = src.readline(), src.readline(), src.readline()
tw, th = map(int, size.split())
tile = src.read(3 * tw * th)
w, h = 40000, 10000
out = sys.stdout.buffer
out.write(b"P6\n%d %d\n255\n" % (w, h))
for y in range(h):
    row = tile[3 * tw * (y % th):3 * tw * (y % th + 1)]
    out.write((row * (w // tw + 1))[:3 * w])
' | cjpeg -quality 90 -outfile "$panorama.tmp"
  mv "$panorama.tmp" "$panorama"
fi
rm -rf "$work/pano" && mkdir -p "$work/pano/out"
"$lumivista" project new "$work/pano.lmv" --folder "$(dirname "$panorama")" --target "$work/pano/out" >/dev/null 2>&1
t0=$EPOCHREALTIME
/usr/bin/time -f '%M' -o "$work/mem.pano" "$lumivista" generate "$work/pano.lmv" --yes --jobs 2 >/dev/null 2>"$work/log"
t1=$EPOCHREALTIME
printf '  panorama 40000 x 10000 (%d MB), generate      %6.2f s  large picture %s      peak %4d MiB\n' \
  $(($(stat -c %s "$panorama") / 1000000)) "$(echo "$t1 - $t0" | bc -l)" \
  "$(identify -format '%w x %h' "$work/pano/out/panorama.jpg")" "$(peak pano)"
