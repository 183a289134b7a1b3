#!/usr/bin/env bash
# Builds the vantor page into one folder (default web/dist): the library's
# own sources compiled to WebAssembly with Debian's emscripten, and a single
# index.html with the module, its loader, the styles and the scripts inlined,
# so that the page opens from disk (file://) as well as from any static
# server and fetches nothing.
#   web/build.sh [output folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-$here/dist}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command -v emcc >/dev/null || { echo "web/build.sh: emcc not found (apt-get install emscripten)" >&2; exit 1; }
# Debian's emcc runs its JavaScript optimiser with the machine's node, which
# finds Debian's acorn only here.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# The version header, written by the script CMake runs, and the library's
# sources from the list CMake builds.
sh "$root/cmake/write_version_header.sh" "$work/generated/vantor/version.h"
version=$(sed -n 's/^#define VANTOR_VERSION "\(.*\)"$/\1/p' "$work/generated/vantor/version.h")
library_sources=()
while read -r source; do
    case $source in '#'* | '') ;; *) library_sources+=("$root/$source") ;; esac
done <"$root/library_sources.txt"

# Exported: the page's helpers of wasm_api.cpp, the library's named
# requests (question/ask.h), its descriptions (question/records.h) and its
# words about an answer (vantor/methods.h) as they are.
exported=$( (grep -o '^[A-Za-z_0-9: *]*web_[a-z_0-9]*(' "$here/wasm_api.cpp";
             grep -o '\bASK_[a-z_]*(' "$root/question/ask.h";
             grep -o '\bREC_[a-z_]*(' "$root/question/records.h";
             grep -o '\bvantor_[a-z_]*(' "$root/vantor/methods.h") |
           sed 's/.*\(\(web\|ASK\|REC\|vantor\)_[a-z_0-9]*\)(/_\1/' | sort -u | paste -sd, -)
# The same arithmetic as the native build: no contraction, no fast-math.
# Optimised for size (-Os) to keep the page one small file: -Os gives the
# native library's answers bit for bit (web/test's comparison), -Oz does not
# (it changes the last bits of some powers), so -Oz is not used. Smaller by
# what changes no arithmetic: link-time optimisation, no exceptions or RTTI
# (the library uses neither), the small allocator (the library allocates
# little), and the browser's TextDecoder for the library's words (every
# browser and node the page supports has one) instead of a copy in JavaScript.
emcc -Os -flto -fno-exceptions -fno-rtti -std=c++17 -ffp-contract=off -fno-fast-math \
    -I"$root" -I"$work/generated" "${library_sources[@]}" "$here/wasm_api.cpp" \
    -o "$work/vantor_wasm.js" -sSINGLE_FILE=1 -sMODULARIZE=1 -sEXPORT_NAME=createVantor \
    -sENVIRONMENT=web,worker,node -sFILESYSTEM=0 -sINITIAL_MEMORY=16777216 -sMALLOC=emmalloc -sTEXTDECODER=2 \
    -sEXPORTED_FUNCTIONS="[$exported]" \
    -sEXPORTED_RUNTIME_METHODS='["cwrap","UTF8ToString"]'

mkdir -p "$out"
cp "$work/vantor_wasm.js" "$out/vantor_wasm.js"
python3 "$here/inline.py" "$here/src" "$work/vantor_wasm.js" "$version" >"$out/index.html"
echo "web/build.sh: $out/index.html ($(wc -c <"$out/index.html") bytes)"
