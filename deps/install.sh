#!/bin/sh
# Installs the Debian packages listed beside this script that are not there yet.
set -e
here=$(dirname "$0")
want=$(grep -v '^#' "$here/apt-packages.txt" | tr -s ' \n' ' ')
missing=""
for p in $want; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
$SUDO apt-get update -qq
# Through env: sudo would drop the variable and let a package ask questions.
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
