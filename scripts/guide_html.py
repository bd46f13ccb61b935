#!/usr/bin/python3
"""Writes the salesperson's guide as one HTML page (for the Windows installer and the Debian
package): docs/guia-do-vendedor.md with its tables and headings' anchors as the Markdown shows them
on the project's page, and the pictures beside it under screenshots/.
Usage: guide_html.py GUIA.md SAIDA.html   (Debian's python3-markdown)"""
import sys

import markdown
from markdown.extensions.toc import slugify_unicode

PAGE = """<!DOCTYPE html>
<html lang="pt-BR">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Guia do vendedor — Pedidos Vendedor</title>
<style>
body {{ font-family: "Segoe UI", "DejaVu Sans", sans-serif; max-width: 60em; margin: 2em auto;
       padding: 0 1em; line-height: 1.5; color: #202020; }}
table {{ border-collapse: collapse; margin: 1em 0; }}
th, td {{ border: 1px solid #c8c8c8; padding: 0.3em 0.6em; vertical-align: top; }}
img {{ max-width: 100%; }}
code {{ background: #f0f0f0; padding: 0 0.2em; }}
</style>
</head>
<body>
{body}
</body>
</html>
"""


def main():
    source, target = sys.argv[1:3]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    # GitHub's anchors: lower case, accents kept, blanks made hyphens.
    body = markdown.markdown(text, extensions=["tables", "toc"],
                             extension_configs={"toc": {"slugify": slugify_unicode}})
    with open(target, "w", encoding="utf-8") as f:
        f.write(PAGE.format(body=body))


if __name__ == "__main__":
    main()
