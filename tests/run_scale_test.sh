#!/usr/bin/env bash
# scripts/run.sh refuses, at once and with code 2, every scale it cannot
# compare as a number from 100 to 500. Only dirname is on PATH, so a run.sh
# that went on to install and build would fail otherwise, with another code.
#   run_scale_test.sh RUN_SH
set -u
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
ln -s "$(command -v dirname)" "$bin/dirname"
status=0
for scale in 99999999999999999999 99 501 0150 1e3 abc; do
  said=$(PATH=$bin /bin/bash "$1" "$scale" 2>&1)
  code=$?
  if [ "$code" != 2 ] || [ "$said" != "run.sh: the scale is a percentage from 100 to 500, such as 150; got '$scale'" ]; then
    echo "FAIL: scale '$scale' gave code $code: $said"
    status=1
  fi
done
exit $status
