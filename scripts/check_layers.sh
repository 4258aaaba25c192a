#!/bin/sh
# Keeps includes pointing down the layers of src/: a file may include its own
# folder and the folders of lower layers only. Prints every include that
# points up or sideways and fails when there is one.
#   0 core (platform: files, INI, numbers, progress and cancel, program folder)
#   1 geometry
#   2 toolpath
#   3 dxf
#   4 post
#   5 mesh gerber text editor
#   6 job (the job, start-up, the commands that span subsystems)
#   7 view
#   8 cli app
cd "$(dirname "$0")/../src" || exit 2
rank() {
  case $1 in
    core) echo 0 ;; geometry) echo 1 ;; toolpath) echo 2 ;; dxf) echo 3 ;; post) echo 4 ;;
    mesh|gerber|text|editor) echo 5 ;; job) echo 6 ;; view) echo 7 ;; cli|app) echo 8 ;;
    *) echo 99 ;;
  esac
}
bad=0
for dir in */; do
  dir=${dir%/}
  from=$(rank "$dir")
  if [ "$from" = 99 ]; then
    echo "src/$dir: a folder that no layer names"
    bad=1
    continue
  fi
  for inc in $(grep -rhoE '^#include "[a-z_]+/' "$dir" | sed -E 's/^#include "([a-z_]+)\//\1/' | sort -u); do
    [ "$inc" = "$dir" ] && continue
    to=$(rank "$inc")
    if [ "$to" -ge "$from" ]; then
      grep -rnE "^#include \"$inc/" "$dir" | sed "s|^|src/|; s|\$|  <- $dir may not include $inc|"
      bad=1
    fi
  done
done
exit $bad
