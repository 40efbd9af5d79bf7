#!/usr/bin/env bash
# Shows the colour sample, captures the display and checks the cells:
# a blank cell's centre is exactly its background, and an "H" cell's two most
# frequent colours are its foreground and background.
#   colour_screenshot.sh WINE_RUN SCREENSHOT SAMPLE_EXE OUT_DIR
set -eu
wine_run=$1 screenshot=$2 sample=$3 out=$4
mkdir -p "$out"
cells=$out/colour_cells.txt
png=$out/colour_sample.png
rm -f "$cells" "$png"

VEL_HOLD_MS=6000 "$wine_run" "$sample" >"$cells" &
sample_pid=$!
for _ in $(seq 1 150); do
  grep -q '^ready' "$cells" 2>/dev/null && break
  sleep 0.2
done
grep -q '^ready' "$cells" || { echo "the sample never became ready"; wait "$sample_pid"; exit 1; }
"$screenshot" "$png" >/dev/null
wait "$sample_pid"

table=(000000 800000 008000 808000 000080 800080 008080 808080
       C0C0C0 FF0000 00FF00 FFFF00 0000FF FF00FF 00FFFF FFFFFF)
failures=0
checked=0
pixel() {  # x y -> RRGGBB
  convert "$png" -crop "1x1+$1+$2" +repage -depth 8 txt:- |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | head -1 | tr a-f A-F
}
top_two() {  # x y w h -> the two most frequent colours, sorted
  convert "$png" -crop "$3x$4+$1+$2" +repage -depth 8 -format %c histogram:info:- |
    sort -rn | head -2 | sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tr a-f A-F | sort | tr '\n' ' '
}
while read -r kind a b c d e f; do
  case $kind in
    blank)
      k=$a x=$b y=$c w=$d h=$e
      got=$(pixel $((x + w / 2)) $((y + h / 2)))
      checked=$((checked + 1))
      if [ "$got" != "${table[$k]}" ]; then
        echo "blank cell $k at $x,$y: $got, expected ${table[$k]}"
        failures=$((failures + 1))
      fi
      ;;
    text)
      fg=$a bg=$b x=$c y=$d w=$e h=$f
      got=$(top_two "$x" "$y" "$w" "$h")
      want=$(printf '%s\n' "${table[$fg]}" "${table[$bg]}" | sort | tr '\n' ' ')
      checked=$((checked + 1))
      if [ "$got" != "$want" ]; then
        echo "H cell $fg on $bg at $x,$y: $got, expected $want"
        failures=$((failures + 1))
      fi
      ;;
  esac
done < <(tr -d '\r' <"$cells")
echo "$png: $checked cells checked"
echo "$((checked - failures)) passed, $failures failed"
[ "$checked" -eq 32 ] && [ "$failures" -eq 0 ]
