#!/usr/bin/env python3
"""Checks that the Japanese documentation spells one thing one way.

    check-spelling.py SOURCE_FOLDER

Reads the help pages, the desktop entry, the AppStream metadata, the READMEs and the
Japanese manual pages, and reports every variant spelling of a term the documentation
spells one way: "CSVファイル", "DTDファイル", "XMLファイル" without a space, "GI 文書型",
half-width "DTD" and "XML" (the screen's full-width captions are quoted once, in the
help page of the input page). The program's own captions and messages are not checked
here; they are as the program shows them. Exits 1 when a variant is found.
"""

import pathlib
import re
import sys

VARIANTS = {
    "CSV ファイル": "CSVファイル",
    "DTD ファイル": "DTDファイル",
    "XML ファイル": "XMLファイル",
    "GI 形式": "GI 文書型",
    "GI形式": "GI 文書型",
    "ＤＴＤ": "DTD",
    "ＸＭＬ": "XML",
    "Ｓｈｉｆｔ": "シフトJIS",
    "シフト JIS": "シフトJIS",
}

# Where the screen's full-width captions are quoted on purpose.
QUOTED = "「ＤＴＤフォルダ」「ＸＭＬ出力フォルダ」"


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    source = pathlib.Path(sys.argv[1])
    files = sorted((source / "resources/help").glob("*.htm"))
    files += [source / "tools/kinds_page.cpp", source / "resources/linux/ordevik.desktop",
              source / "resources/linux/org.ordevik.Ordevik.metainfo.xml.in",
              source / "README.md", source / "README.ja.md"]
    files += sorted((source / "docs/man/ja").glob("*.1"))
    problems = 0
    for path in files:
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            line = line.replace(QUOTED, "")
            for variant, spelling in VARIANTS.items():
                if variant in line:
                    print(f"{path}:{number}: \"{variant}\" where the documentation writes "
                          f"\"{spelling}\"")
                    problems += 1
    print(f"{len(files)} files checked; {problems} variant spellings")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
