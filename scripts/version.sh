#!/usr/bin/env bash
# Prints charplay's version, as CMakeLists.txt gives it: the one place it is
# written.
set -euo pipefail
sed -n 's/^project(charplay VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt"
