#!/bin/sh
# Writes vantor/version.h from vantor/version.h.in with the version of the
# project() line of CMakeLists.txt. The one way the header is made: CMake runs
# it when configuring, and so do the R package's configure and web/build.sh.
# The output is left untouched when it would not change, so that nothing is
# rebuilt for nothing.
#   sh cmake/write_version_header.sh OUTPUT
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
output=$1
if [ -z "$output" ]; then
    echo "usage: write_version_header.sh OUTPUT" >&2
    exit 2
fi
version=$(sed -n 's/^project(vantor VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' "$root/CMakeLists.txt")
if [ -z "$version" ]; then
    echo "write_version_header.sh: no 'project(vantor VERSION X.Y.Z' line in $root/CMakeLists.txt" >&2
    exit 1
fi
major=${version%%.*}
rest=${version#*.}
minor=${rest%%.*}
patch=${rest#*.}
mkdir -p "$(dirname "$output")"
sed -e "s/@PROJECT_VERSION_MAJOR@/$major/" -e "s/@PROJECT_VERSION_MINOR@/$minor/" \
    -e "s/@PROJECT_VERSION_PATCH@/$patch/" -e "s/@PROJECT_VERSION@/$version/" \
    "$root/vantor/version.h.in" >"$output.new"
if cmp -s "$output.new" "$output"; then
    rm -f "$output.new"
else
    mv "$output.new" "$output"
fi
