#!/usr/bin/env bash
# Measures a full `lumivista generate` of real camera photos against the decode floor
# (every photo decoded at full size with libjpeg-turbo, two at a time) in the same run,
# and reports the ratio and the peak memory.
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

floor_run() {
  ls "$photos"/*.jpg | xargs -P2 -n1 sh -c 'djpeg -dct int -outfile /dev/null "$0"'
}
# The fastest peer: a thumbnailer making the large and the small copy, two processes.
vips_run() {
  rm -rf "$work/vips" && mkdir -p "$work/vips"
  ls "$photos"/*.jpg | xargs -P2 -n1 sh -c \
    'vipsthumbnail "$1" -s 600x400 -o "$0/%s_l.jpg[Q=80]" && vipsthumbnail "$1" -s 150x100 -o "$0/%s_s.jpg[Q=80]"' \
    "$work/vips"
}
gen_run() { # full: a fresh target folder; again: the same one, nothing changed
  [ "$1" = full ] && rm -rf "$work/out" && mkdir -p "$work/out"
  /usr/bin/time -f '%M' -o "$work/mem.$1" "$lumivista" generate "$work/p.lmv" --yes >/dev/null 2>"$work/log"
}
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
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
for round in 1 2 3 4 5; do
  timed floor_run >>"$work/floor"
  [ $have_vips = 1 ] && timed vips_run >>"$work/vips.t"
  timed gen_run full >>"$work/full"
  timed gen_run again >>"$work/again"
done
floor=$(median <"$work/floor"); full=$(median <"$work/full"); again=$(median <"$work/again")
printf 'median of 5 rounds:\n'
printf '  decode floor (djpeg -dct int, 2 at a time)  %6.2f s\n' "$floor"
if [ $have_vips = 1 ]; then
  vips=$(median <"$work/vips.t")
  printf '  vipsthumbnail, 2 processes                   %6.2f s  %.2fx floor\n' "$vips" "$(echo "$vips / $floor" | bc -l)"
fi
printf '  lumivista generate, full                     %6.2f s  %.2fx floor' "$full" "$(echo "$full / $floor" | bc -l)"
[ $have_vips = 1 ] && printf ', %.2fx vipsthumbnail' "$(echo "$full / $vips" | bc -l)"
printf ', peak %d MiB\n' $(($(cat "$work/mem.full") / 1024))
printf '  lumivista generate, unchanged re-run         %6.2f s  %.1f %% of full, peak %d MiB\n' \
  "$again" "$(echo "100 * $again / $full" | bc -l)" $(($(cat "$work/mem.again") / 1024))
