#!/usr/bin/env bash
# Runs a command with HOME and the XDG folders in a fresh temporary folder, removed afterwards,
# so that nothing a test starts can write into the user's own folders.
home=$(mktemp -d) || exit 1
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_STATE_HOME=$home/state XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config
"$@"
