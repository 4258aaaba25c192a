#!/bin/sh
# info shows the direction that the operations machine: both go through the
# program's start-up (Options.cfg, whose default direction of closed regions
# is clockwise when the key is missing, as in the shipped file) and its load.
# For the shipped options, Dir=0 and Dir=1, info's direction of a hole of
# examples/bracket.dxf must match the arc word of a contour on its line:
# G02 for CW, G03 for CCW.
#
#   info_direction.sh TIBREL_CLI RESOURCES_DIR   (run from the source folder)
set -eu
cli=$1
resources=$2
d=$(mktemp -d)
trap 'rm -rf "$d"' EXIT
cp "$cli" "$d/tibrel-cli"
cp -r "$resources" "$d/resources"

check() {
  want=$1
  "$d/tibrel-cli" info examples/bracket.dxf > "$d/info.txt"
  # The first hole: a closed region of one entity (a circle).
  line=$(awk '$2 == "closed" && $3 == 1 { print; exit }' "$d/info.txt")
  n=${line%% *}
  said=$(echo "$line" | awk '{ print $8 }')
  if [ "$said" != "$want" ]; then
    echo "info says region $n is $said, expected $want"
    return 1
  fi
  "$d/tibrel-cli" contour examples/bracket.dxf --select "single:$n" --set Compensation=None \
    --set RoughFeed=100 --set RoughPlunge=50 --set RoughStepZ=0 --set RapidHeight=2 --depth 1 \
    --post Default -o "$d/hole.nc"
  arc=$(grep -o 'G0[23]' "$d/hole.nc" | sort -u)
  expected=G02
  [ "$want" = CCW ] && expected=G03
  if [ "$arc" != "$expected" ]; then
    echo "info says $said but the contour cuts with $arc"
    return 1
  fi
  echo "region $n: info $said, contour $arc"
}

check CW  # the shipped Options.cfg, installed at the first start
grep -qx 'Post=Default' "$d/Options.cfg"
printf '[Options]\nPost=Default\nDir=0\n' > "$d/Options.cfg"
check CCW
printf '[Options]\nPost=Default\nDir=1\n' > "$d/Options.cfg"
check CW
