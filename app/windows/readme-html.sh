#!/usr/bin/env bash
# The README as a web page for Windows, where no program opens a .md file: README.md turned into
# HTML with cmark, in a page that says it is UTF-8 (the README's quotes and Polish words), so that a
# double-click opens it in the browser.
#   readme-html.sh README.md README.html
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 README.md README.html" >&2
    exit 2
fi
{
    printf '<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n'
    printf '<title>ZrT_VivoRaz README</title>\n</head>\n<body>\n'
    cmark "$1"
    printf '</body>\n</html>\n'
} >"$2.part"
mv "$2.part" "$2"
