#!/usr/bin/env bash
# Times quorvane-img against ImageMagick and libvips doing the same work on the same photo,
# whole processes including decode and encode, and prints the ratios. Every tool writes a
# JPEG at quality 90, the format a batch of wallpapers is usually prepared in; a lossless
# output would measure mostly the PNG encoders.
#
#   bench/compare/compare-tools.sh [build/bin/quorvane-img] [photo.jpg]
#
# Without a photo, a 6000 x 4000 test picture is generated once (ImageMagick's plasma
# fractal, which compresses like a photograph).
set -euo pipefail

tool="${1:-build/bin/quorvane-img}"
photo="${2:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if [[ -z "$photo" ]]; then
  photo="$work/photo.jpg"
  convert -seed 7 -size 6000x4000 plasma:fractal -quality 92 "$photo"
fi

runs=3
best_of() {  # prints the best wall time in ms of $runs runs of the command
  local best=""
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    local ms=$(((end - start) / 1000000))
    if [[ -z "$best" || $ms -lt $best ]]; then best=$ms; fi
  done
  echo "$best"
}

printf '%-22s %10s %12s %8s %10s %8s\n' operation quorvane imagemagick ratio vips ratio
compare() {  # name, our args, ImageMagick args, vips command (or -)
  local name="$1" ours="$2" magick="$3" vips_cmd="$4"
  local q m v="-" vr="-"
  # shellcheck disable=SC2086
  q=$(best_of "$tool" "$photo" "$work/q.jpg" $ours)
  # shellcheck disable=SC2086
  m=$(best_of convert "$photo" $magick -quality 90 "$work/m.jpg")
  if [[ "$vips_cmd" != "-" ]]; then
    # shellcheck disable=SC2086
    v=$(best_of vips $vips_cmd)
    vr=$(awk -v a="$v" -v b="$q" 'BEGIN { printf "%.2f", a / b }')
  fi
  printf '%-22s %8s ms %9s ms %8s %7s ms %8s\n' "$name" "$q" "$m" \
    "$(awk -v a="$m" -v b="$q" 'BEGIN { printf "%.2f", a / b }')" "$v" "$vr"
}

compare "flip" "flip h" "-flop" "flip $photo $work/v.jpg[Q=90] horizontal"
compare "rotate 90" "rotate 90" "-rotate 90" "rot $photo $work/v.jpg[Q=90] d90"
compare "rotate 33" "rotate 33" "-background white -rotate 33" "rotate $photo $work/v.jpg[Q=90] 33"
compare "resize 640x427" "resize 640 427" "-resize 640x427!" "thumbnail $photo $work/v.jpg[Q=90] 640"
compare "grayscale" "grayscale" "-colorspace Gray" "colourspace $photo $work/v.jpg[Q=90] b-w"
compare "sharpen" "sharpen 35" "-sharpen 0x1" "sharpen $photo $work/v.jpg[Q=90]"
compare "3x3 convolve" "convolve 1 1 1 1 1 1 1 1 1 9 7" "-convolve 1,1,1,1,1,1,1,1,1" -

# The lossless outputs of a flip: a PNG against a 24-bit bitmap of ours, and vips' PNG.
echo
printf '%-22s %10s %10s %12s\n' "flip, written as" "ours" "vips" "size (ours)"
for format in bmp png; do
  ours=$(best_of "$tool" "$photo" "$work/q.$format" flip h)
  theirs=$(best_of vips flip "$photo" "$work/v.$format" horizontal)
  printf '%-22s %7s ms %7s ms %12s\n' "$format" "$ours" "$theirs" "$(stat -c %s "$work/q.$format")"
done
