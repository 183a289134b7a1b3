"""Writes the page with everything inlined: the template's <!-- STYLE -->,
<!-- LOADER -->, <!-- WORKER --> and <!-- SCRIPT --> marks become the style
sheet, the WebAssembly loader (the module embedded gzip-compressed: see
compressed_loader), the worker's script and the
page's scripts: records.js, which reads the library's records by name, once
(the page runs it and starts the worker from its text), then app.js. The
scripts' whole-line comments, blank lines and every line's indentation are
left out of the page (the sources keep them; neither the scripts, which hold no string across
lines, nor the markup, which has no preformatted text, reads them): the page
stays one small file."""

import base64
import gzip
import re
import sys

# emcc -sSINGLE_FILE embeds the module as one base64 data URI.
EMBEDDED_MODULE = re.compile(r'"data:application/octet-stream;base64,([A-Za-z0-9+/=]+)"')

# Put after the loader: createVantor(options) inflates the module with the
# browser's DecompressionStream and hands emscripten its bytes as
# `wasmBinary`, so the loader neither fetches nor decodes its empty data URI.
INFLATING_LOADER = """
var createVantorFromBytes = createVantor;
createVantor = async (options = {}) => {
const gzipped = Uint8Array.from(atob(vantorModuleGzip), (c) => c.charCodeAt(0));
const inflated = new Blob([gzipped]).stream().pipeThrough(new DecompressionStream("gzip"));
const wasmBinary = new Uint8Array(await new Response(inflated).arrayBuffer());
return createVantorFromBytes({ ...options, wasmBinary });
};"""


def without_comment_lines(script: str) -> str:
    return "\n".join(
        line.lstrip()
        for line in script.split("\n")
        if line.strip() and not line.lstrip().startswith("//")
    )


def without_indentation(markup: str) -> str:
    return "\n".join(line.lstrip() for line in markup.split("\n") if line.strip())


def compressed_loader(loader: str) -> str:
    """The loader with its module as base64 of gzip -9 instead of base64:
    the same bytes, in about half the room."""
    found = EMBEDDED_MODULE.findall(loader)
    if len(found) != 1:
        raise SystemExit(f"inline.py: {len(found)} embedded modules in the loader, not 1")
    module = base64.b64decode(found[0])
    gzipped = base64.b64encode(gzip.compress(module, compresslevel=9, mtime=0)).decode("ascii")
    emptied = EMBEDDED_MODULE.sub('"data:application/octet-stream;base64,"', loader)
    return f'{emptied}\nvar vantorModuleGzip = "{gzipped}";{INFLATING_LOADER}'


def main() -> None:
    source, loader_path, version = sys.argv[1], sys.argv[2], sys.argv[3]
    with open(f"{source}/index.html", encoding="utf-8") as f:
        page = without_indentation(f.read())
    with open(f"{source}/style.css", encoding="utf-8") as f:
        style = f.read()
    with open(loader_path, encoding="utf-8") as f:
        loader = compressed_loader(f.read())
    with open(f"{source}/worker.js", encoding="utf-8") as f:
        worker = f.read()
    with open(f"{source}/records.js", encoding="utf-8") as f:
        records = without_comment_lines(f.read())
    with open(f"{source}/app.js", encoding="utf-8") as f:
        script = without_comment_lines(f.read())
    worker = without_comment_lines(worker)
    for text in (loader, worker, records, script):
        if "</script" in text.lower():
            raise SystemExit("inline.py: a script contains </script")
    for text in (worker, records, script, page):
        if "<pre" in text or "<textarea" in text or "white-space" in text:
            raise SystemExit("inline.py: preformatted text would lose its indentation")
    for text in (worker, records, script):
        if any(line.count("`") % 2 for line in text.split("\n")):
            raise SystemExit("inline.py: a template string across lines would lose its indentation")
    page = page.replace("<!-- STYLE -->", f"<style>\n{style}</style>")
    page = page.replace("<!-- LOADER -->", f'<script id="vantor-loader">\n{loader}\n</script>')
    page = page.replace(
        "<!-- WORKER -->", f'<script id="vantor-worker" type="text/plain">\n{worker}\n</script>'
    )
    page = page.replace(
        "<!-- SCRIPT -->",
        f'<script id="vantor-records">\n{records}\n</script>\n<script>\n{script}\n</script>',
    )
    page = page.replace("@VERSION@", version)
    sys.stdout.write(page)


if __name__ == "__main__":
    main()
