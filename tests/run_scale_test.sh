#!/usr/bin/env bash
# run.sh takes a display scale from 100 to 500 percent, and refuses anything
# else at once, with code 2, before it sets anything up. --check-scale stops
# after that check.
run=${1:?}
for scale in 100 150 500; do
  said=$(bash "$run" --check-scale "$scale" 2>&1) || { echo "FAIL: scale '$scale' refused: $said"; exit 1; }
done
for scale in 99999999999999999999 99 501 0150 abc; do
  said=$(bash "$run" --check-scale "$scale" 2>&1)
  [ $? = 2 ] && [ "$said" = "run.sh: the scale is a percentage from 100 to 500, such as 150; got '$scale'" ] ||
    { echo "FAIL: scale '$scale': $said"; exit 1; }
done
