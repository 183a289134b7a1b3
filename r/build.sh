#!/bin/sh
# Builds the R package's source tarball from this repository: r/vantor's
# configure copies the library's sources (library_sources.txt, with their
# headers) into r/vantor/src, writes vantor/version.h and src/Makevars, then
# R CMD build packs them.
# Usage: r/build.sh [directory for the tarball, default: the current one]
set -e
package=$(cd "$(dirname "$0")/vantor" && pwd)
out=$(cd "${1:-.}" && pwd)
(cd "$package" && ./configure)
cd "$out"
R CMD build --no-build-vignettes "$package"
