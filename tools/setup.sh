#!/bin/sh
# Installs the Debian packages of tools/packages.txt that are missing. Safe to run again.
set -eu
cd "$(dirname "$0")/.."

missing=""
for package in $(grep -v '^#' tools/packages.txt); do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
        *"install ok installed"*) ;;
        *) missing="$missing $package" ;;
    esac
done
if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi

# The window tests also run the program in a Chinese locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    echo "setup: generating the zh_CN.UTF-8 locale"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
