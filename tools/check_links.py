#!/usr/bin/env python3
"""Whether every relative link of the Markdown pages resolves: the file or
folder it names, and the heading its #anchor names (as GitHub makes anchors
from headings). Links to other sites are not followed.

Usage: check_links.py PAGE.md...

Each broken link is named on a line of its own, with its page and line;
the exit status is 1 when there is any.
"""

import re
import sys
import urllib.parse
from pathlib import Path

# [text](target "title") and ![alt](target); <img src="target">.
LINK = re.compile(r'!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+"[^"]*")?\s*\)|<img [^>]*src="([^"]+)"')
HEADING = re.compile(r'^#{1,6}\s+(.*?)\s*#*\s*$')
FENCE = re.compile(r'^\s*(```|~~~)')


def anchors(page: Path) -> set[str]:
    """The anchors GitHub gives the headings of `page`."""
    found: set[str] = set()
    counts: dict[str, int] = {}
    for line in _outside_code(page):
        match = HEADING.match(line)
        if match:
            text = re.sub(r'[`*_]|\[([^\]]*)\]\([^)]*\)', r'\1', match.group(1)).lower()
            slug = re.sub(r'[^\w\- ]', '', text).replace(' ', '-')
            count = counts.get(slug, 0)
            counts[slug] = count + 1
            found.add(slug if count == 0 else '%s-%d' % (slug, count))
    return found


def broken_links(page: Path) -> list[str]:
    """What is wrong with each relative link of `page`, one line each."""
    problems = []
    for number, line in enumerate(_outside_code(page), 1):
        for match in LINK.finditer(line):
            target = match.group(1) or match.group(2)
            if re.match(r'^[a-z][a-z0-9+.-]*:', target, re.IGNORECASE):
                continue  # another site, or mail
            path, _, anchor = urllib.parse.unquote(target).partition('#')
            linked = (page.parent / path).resolve() if path else page.resolve()
            where = '%s:%d: %s' % (page, number, target)
            if not linked.exists():
                problems.append('%s: no such file or folder' % where)
            elif anchor and linked.suffix == '.md' and anchor not in anchors(linked):
                problems.append('%s: %s has no heading for #%s' % (where, linked.name, anchor))
    return problems


def _outside_code(page: Path) -> list[str]:
    """The lines of `page`, those inside fenced code blocks left empty."""
    lines, fenced = [], False
    for line in page.read_text(encoding='utf-8').splitlines():
        if FENCE.match(line):
            fenced = not fenced
            line = ''
        lines.append('' if fenced else re.sub(r'`[^`]*`', '', line))
    return lines


def main(argv: list[str]) -> int:
    problems = [problem for page in argv[1:] for problem in broken_links(Path(page))]
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
