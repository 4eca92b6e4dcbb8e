#!/usr/bin/env bash
# run.sh refuses, at once and with code 2, a scale it cannot compare as a number
# from 100 to 500. With only dirname on PATH, going further fails with another code.
bin=$(mktemp -d) && trap 'rm -rf "$bin"' EXIT && ln -s "$(command -v dirname)" "$bin/dirname"
for scale in 99999999999999999999 99 501 0150 abc; do
  said=$(PATH=$bin /bin/bash "$1" "$scale" 2>&1)
  [ $? = 2 ] && [ "$said" = "run.sh: the scale is a percentage from 100 to 500, such as 150; got '$scale'" ] ||
    { echo "FAIL: scale '$scale': $said"; exit 1; }
done
