#!/bin/sh
# Starts Rinkslider inside its own folder, where it finds floor.bmp and font.tga; the folder is
# found from this script's place, so an installed tree can be moved as a whole.
here=$(dirname "$(readlink -f "$0")")
cd "$here/../lib/rinkslider" || exit 1
exec ./rinkslider "$@"
