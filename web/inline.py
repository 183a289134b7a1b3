"""Writes the page with everything inlined: the template's <!-- STYLE -->,
<!-- LOADER -->, <!-- WORKER --> and <!-- SCRIPT --> marks become the style
sheet, the WebAssembly loader (wasm embedded), the worker's script and the
page's scripts: records.js, which reads the library's records by name, once
(the page runs it and starts the worker from its text), then app.js. The
scripts' whole-line comments, blank lines and every line's indentation are
left out of the page (the sources keep them; neither the scripts, which hold no string across
lines, nor the markup, which has no preformatted text, reads them): the page
stays one small file."""

import sys


def without_comment_lines(script: str) -> str:
    return "\n".join(
        line.lstrip()
        for line in script.split("\n")
        if line.strip() and not line.lstrip().startswith("//")
    )


def without_indentation(markup: str) -> str:
    return "\n".join(line.lstrip() for line in markup.split("\n") if line.strip())


def main() -> None:
    source, loader_path, version = sys.argv[1], sys.argv[2], sys.argv[3]
    with open(f"{source}/index.html", encoding="utf-8") as f:
        page = without_indentation(f.read())
    with open(f"{source}/style.css", encoding="utf-8") as f:
        style = f.read()
    with open(loader_path, encoding="utf-8") as f:
        loader = f.read()
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
