#!/usr/bin/env bash
# Installs what the tests need when it is missing, then builds and runs every
# test twice: a normal build, and one under AddressSanitizer and
# UndefinedBehaviorSanitizer. Also cross-builds the Windows program for its
# tests under Wine, and runs the fuzz target for a bounded count.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev tmux bsdutils groff-base
          clang libclang-rt-14-dev g++-mingw-w64-x86-64 wine wine64)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi

jobs=$(nproc)

echo "== Windows cross build"
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/windows

echo "== Normal build"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKELVARN_WINDOWS_BUILD="$PWD/build/windows" >/dev/null
cmake --build build/release
groff -man -ww -z kelvarn.1
(cd build/release && ctest --output-on-failure -j "$jobs")

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELVARN_SANITIZE=ON >/dev/null
cmake --build build/sanitize
(cd build/sanitize && ctest --output-on-failure -j "$jobs")

echo "== Fuzzing the command line"
CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELVARN_FUZZ=ON >/dev/null
cmake --build build/fuzz
# New inputs go to a scratch folder; the seeds in the tree are only read.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
build/fuzz/tests/fuzz/command_line_fuzzer -runs=500000 -max_len=64 -seed=1 \
  -artifact_prefix="$corpus/" "$corpus" tests/fuzz/seeds 2>&1 | tail -n 1
