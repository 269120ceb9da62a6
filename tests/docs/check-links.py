#!/usr/bin/env python3
"""Checks that every link and picture of the help pages and the READMEs leads somewhere.

    check-links.py SOURCE_FOLDER BUILD_FOLDER

The help pages are read from the build folder's help/, where the copied pages and the
generated list of feature kinds lie together. A link to another page must name a file
that exists, and its "#anchor", if any, an id of that page; a picture must exist. Links
to other sites are not followed. The AppStream metadata's screenshots must name pictures
of docs/images. Prints every broken link and exits 1 when there is one.
"""

import html.parser
import pathlib
import re
import sys
import urllib.parse


class Page(html.parser.HTMLParser):
    """The links, pictures and ids of one HTML page."""

    def __init__(self):
        super().__init__()
        self.targets = []
        self.ids = set()

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("href", "src") and value is not None:
                self.targets.append(value)
            elif name in ("id", "name") and value is not None:
                self.ids.add(value)


def is_external(target):
    return re.match(r"^[a-z][a-z0-9+.-]*:", target, re.IGNORECASE) is not None


def html_page(path, cache):
    if path not in cache:
        page = Page()
        page.feed(path.read_text(encoding="utf-8"))
        cache[path] = page
    return cache[path]


def check_target(source, target, pages, problems, check_anchor):
    if is_external(target) or target == "":
        return
    file_part, _, anchor = target.partition("#")
    file_part = urllib.parse.unquote(file_part)
    linked = (source.parent / file_part).resolve() if file_part else source.resolve()
    if not linked.exists():
        problems.append(f"{source}: {target}: no such file")
        return
    if anchor and check_anchor and linked.suffix in (".htm", ".html"):
        if anchor not in html_page(linked, pages).ids:
            problems.append(f"{source}: {target}: no id \"{anchor}\" there")


MARKDOWN_LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")
HTML_TARGET = re.compile(r"(?:src|href)=\"([^\"]+)\"")


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    source = pathlib.Path(sys.argv[1])
    build = pathlib.Path(sys.argv[2])
    problems = []
    pages = {}

    help_pages = sorted((build / "help").glob("*.htm"))
    if not help_pages:
        problems.append(f"{build / 'help'}: no help pages")
    for page in help_pages:
        for target in html_page(page.resolve(), pages).targets:
            check_target(page, target, pages, problems, True)

    for name in ("README.md", "README.ja.md"):
        readme = source / name
        if not readme.exists():
            problems.append(f"{readme}: missing")
            continue
        text = readme.read_text(encoding="utf-8")
        # Code blocks and spans hold commands, not links.
        text = re.sub(r"```.*?```", "", text, flags=re.DOTALL)
        text = re.sub(r"^(    |\t).*$", "", text, flags=re.MULTILINE)
        text = re.sub(r"`[^`\n]*`", "", text)
        for target in MARKDOWN_LINK.findall(text) + HTML_TARGET.findall(text):
            check_target(readme, target, pages, problems, False)

    metainfo = source / "resources/linux/org.ordevik.Ordevik.metainfo.xml.in"
    images = re.findall(r"<image[^>]*>([^<]+)</image>", metainfo.read_text(encoding="utf-8"))
    if not images:
        problems.append(f"{metainfo}: no screenshot")
    for image in images:
        # The home page serves the tree's docs/images/ under the same path.
        path = image.replace("@ORDEVIK_HOMEPAGE@/", "")
        if not path.startswith("docs/images/") or not (source / path).is_file():
            problems.append(f"{metainfo}: {image}: not a picture of docs/images")

    for problem in problems:
        print(problem)
    print(f"{len(help_pages)} help pages, 2 READMEs, {len(images)} screenshots checked; "
          f"{len(problems)} broken")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
