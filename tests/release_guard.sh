#!/usr/bin/env bash
# A release build must refuse to configure with an option meant for the tests.
# Configure only, in scratch folders: the check comes before the compilers
# are looked at, so this takes no time.
#   release_guard.sh CMAKE SOURCE-DIR SCRATCH-DIR
set -uo pipefail
cmake=$1 source=$2 scratch=$3
status=0

expect_refused() {  # option what [cmake args...]
  local option=$1 what=$2
  shift 2
  local output result flat
  output=$("$cmake" -S "$source" -B "$dir" "$@" 2>&1)
  result=$?
  # CMake wraps its messages; compare with the line breaks taken out.
  flat=$(printf '%s' "$output" | tr -s ' \n' '  ')
  if [ "$result" = 0 ]; then
    echo "FAIL: $what configured"
    status=1
  elif [[ "$flat" != *"A release build (ZEPHRIN_RELEASE_BUILD=ON) cannot have $option=ON"* ]]; then
    echo "FAIL: $what failed, but not on the release check:"
    printf '%s\n' "$output"
    status=1
  else
    echo "ok: $what is refused"
  fi
}

for option in ZEPHRIN_TEST_RELEASE_KEYS ZEPHRIN_TEST_PACING ZEPHRIN_TEST_SIGNING; do
  dir="$scratch/$option"
  rm -rf "$dir" && mkdir -p "$dir"
  expect_refused "$option" "a release build with $option=ON" -DZEPHRIN_RELEASE_BUILD=ON "-D$option=ON"
  # A folder once configured for the tests keeps the option in its cache.
  rm -rf "$dir" && mkdir -p "$dir"
  printf '%s:BOOL=ON\n' "$option" >"$dir/CMakeCache.txt"
  expect_refused "$option" "a release build over a cached $option=ON" -DZEPHRIN_RELEASE_BUILD=ON
  rm -rf "$dir"
done
exit "$status"
