#!/bin/sh
# Starts the installed Rinkslider, which finds its images beside itself; the program is found from
# this script's place, so an installed tree can be moved as a whole.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/rinkslider/rinkslider" "$@"
