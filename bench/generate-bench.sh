#!/usr/bin/env bash
# Measures a full `lumivista generate` of real camera photos (two workers, smooth reduction)
# against the decode floor (every photo decoded at full size with libjpeg-turbo, two at a
# time), a thumbnailer and the same project point-sampled in the same run, and reports the
# ratios and the peak memory of each; then every small and large picture's PSNR against a
# linear-light Lanczos reduction of its photo beside the thumbnailer's of the same size (for
# the bench photos and the demo photos); then the peak of a 40000 x 10000 baseline panorama
# made from one of the photos. Exits 1 when a target is missed: smooth at most 1.15 x the
# point-sampled time and 96 MiB, every picture at least the thumbnailer's PSNR.
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
gen_run() { # full: a fresh target folder; again: the same one, nothing changed; point: full, point-sampled
  local project=$work/p.lmv
  [ "$1" = point ] && project=$work/p0.lmv
  [ "$1" != again ] && rm -rf "$work/out" && mkdir -p "$work/out"
  /usr/bin/time -f '%M' -a -o "$work/mem.$1" "$lumivista" generate "$project" --yes --jobs 2 >/dev/null 2>"$work/log"
}
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
peak() { echo $(($(sort -n "$work/mem.$1" | tail -1) / 1024)); } # MiB, largest of all runs
timed() {
  local t0=$EPOCHREALTIME t1
  "$@"
  t1=$EPOCHREALTIME
  echo "$t1 - $t0" | bc -l
}

# One project, smooth and point-sampled; the pages for phones left off in both, so the runs
# differ only in how pictures are reduced.
new_project() { # LMV FOLDER TARGET SMOOTH
  "$lumivista" project new "$1" --folder "$2" --target "$3" >/dev/null 2>&1
  "$lumivista" project set "$1" SmoothScale="$4" MobilePages=0 >/dev/null
}
new_project "$work/p.lmv" "$photos" "$work/out" 1
new_project "$work/p0.lmv" "$photos" "$work/out" 0
have_vips=0
command -v vipsthumbnail >/dev/null && have_vips=1

: >"$work/floor"; : >"$work/vips.t"; : >"$work/full"; : >"$work/again"; : >"$work/point"
: >"$work/mem.floor"; : >"$work/mem.vips"; : >"$work/mem.full"; : >"$work/mem.again"; : >"$work/mem.point"
for round in 1 2 3 4 5; do
  timed floor_run >>"$work/floor"
  [ $have_vips = 1 ] && timed vips_run >>"$work/vips.t"
  timed gen_run point >>"$work/point"
  timed gen_run full >>"$work/full"
  timed gen_run again >>"$work/again"
done
floor=$(median <"$work/floor"); full=$(median <"$work/full"); again=$(median <"$work/again")
point=$(median <"$work/point")
fail=0
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
ratio=$(echo "$full / $point" | bc -l)
printf '  lumivista generate, point-sampled            %6.2f s  smooth %.2fx point (target <= 1.15)  peak %4d MiB\n' \
  "$point" "$ratio" "$(peak point)"
if [ "$(echo "$ratio > 1.15" | bc -l)" = 1 ]; then
  echo "  MISSED: the smooth run takes more than 1.15 x the point-sampled run" >&2; fail=1
fi
if [ "$(peak full)" -gt 96 ]; then
  echo "  MISSED: the smooth run's peak is above 96 MiB" >&2; fail=1
fi
printf '  lumivista generate, unchanged re-run         %6.2f s  %.1f %% of full            peak %4d MiB\n' \
  "$again" "$(echo "100 * $again / $full" | bc -l)" "$(peak again)"

# PSNR of each picture against the linear-light Lanczos reduction of its photo at the
# picture's size, beside vipsthumbnail's at the same size and quality. A progressive copy
# holds the pixels of its photo as shot, so it shares the reference. The reference is written
# as PPM: ImageMagick 6.9's PNG writer cuts the same pixels to 8 bits instead of rounding
# them (up to a level lower, half a level on average), which favours darker results.
psnr() { { compare -metric PSNR "$1" "$2" null: 2>&1 || true; } | awk '{print $1}'; }
psnr_set() { # NAME PHOTO_DIR LMV OUT
  local name=$1 dir=$2 lmv=$3 out=$4 q f b l s lw lh sw sh key ref
  q=$("$lumivista" project show "$lmv" | tr -d '\r' | sed -n 's/^Qual=//p')
  rm -rf "$out" && mkdir -p "$out" && "$lumivista" generate "$lmv" --yes --jobs 2 >/dev/null 2>"$work/log"
  mkdir -p "$work/ref" "$work/vt"
  printf '\nPSNR against linear-light Lanczos (dB), %s: lumivista smooth / vipsthumbnail, quality %s\n' "$name" "$q"
  printf '  %-22s %-11s %7s %7s   %-9s %7s %7s\n' photo large ours vips small ours vips
  for f in "$dir"/*.jpg; do
    b=$(basename "$f" .jpg)
    l=$(ls "$out"/*.jpg | grep -F "/$b." | head -1 || true)
    s=$(ls "$out"/*/*.jpg 2>/dev/null | grep -F "/$b." | head -1 || true)
    [ -z "$s" ] && s=$(ls "$out"/*.jpg | grep -E "/(k_?|tn_?)$b\." | head -1 || true)
    if [ -z "$l" ] || [ -z "$s" ]; then echo "  $b: pictures not found" >&2; fail=1; continue; fi
    read -r lw lh < <(identify -format '%w %h\n' "$l")
    read -r sw sh < <(identify -format '%w %h\n' "$s")
    key=$(echo "$b" | sed 's/b$/a/')
    ref=$work/ref/$key
    if [ ! -f "$ref.$lw.$lh.l.ppm" ]; then
      convert "$f" -auto-orient -colorspace RGB -filter Lanczos \
        \( +clone -resize "${lw}x${lh}!" -colorspace sRGB -write "$ref.$lw.$lh.l.ppm" +delete \) \
        -resize "${sw}x${sh}!" -colorspace sRGB "$ref.$lw.$lh.s.ppm"
    fi
    vipsthumbnail "$f" -s "${lw}x${lh}!" -o "$work/vt/l.jpg[Q=$q]"
    vipsthumbnail "$f" -s "${sw}x${sh}!" -o "$work/vt/s.jpg[Q=$q]"
    local ol vl os vs
    ol=$(psnr "$l" "$ref.$lw.$lh.l.ppm"); vl=$(psnr "$work/vt/l.jpg" "$ref.$lw.$lh.l.ppm")
    os=$(psnr "$s" "$ref.$lw.$lh.s.ppm"); vs=$(psnr "$work/vt/s.jpg" "$ref.$lw.$lh.s.ppm")
    printf '  %-22s %-11s %7.2f %7.2f   %-9s %7.2f %7.2f' "$b" "${lw}x${lh}" "$ol" "$vl" "${sw}x${sh}" "$os" "$vs"
    if [ "$(echo "$ol < $vl || $os < $vs" | bc -l)" = 1 ]; then printf '  MISSED'; fail=1; fi
    printf '\n'
  done
}
psnr_set "bench photos" "$photos" "$work/p.lmv" "$work/out"
new_project "$work/demo.lmv" "$here/examples/demo/photos" "$work/demo" 1
psnr_set "demo photos" "$here/examples/demo/photos" "$work/demo.lmv" "$work/demo"

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
[ $fail = 0 ] || echo "generate-bench: a target was missed" >&2
exit $fail
