"""The program's version: major.minor.patch on the first line of version.txt,
and the three forms the program carries it in. Configure writes them for the
build (tools/configure_site.py) and the release's preflight judges the file
by this same rule, so a version the build would refuse is refused before
anything is built.

  the window caption's "(v1.0.0)",
  the version record's strings "1.00" (major, then the minor as two digits;
    the patch follows, as in "1.02.3", only when it is not 0), and
  the version record's numbers 1,0,0,0.
"""

import re
from dataclasses import dataclass
from pathlib import Path

VERSION_FILE = Path(__file__).resolve().parents[2] / 'version.txt'


class VersionError(ValueError):
    """version.txt holds no version the program can carry; str() is one line."""


@dataclass(frozen=True)
class Version:
    text: str                               # 1.2.3, as version.txt has it
    caption: str                            # (v1.2.3)
    record: str                             # 1.02.3: the version record's strings
    numbers: tuple[int, int, int, int]      # 1,2,3,0: the version record's numbers


def parse_version(text: str) -> Version:
    """The forms of `text`, or VersionError saying what is wrong with it."""
    found = re.fullmatch(r'(0|[1-9][0-9]*)\.(0|[1-9][0-9]*)\.(0|[1-9][0-9]*)', text)
    if not found:
        raise VersionError('"%s" is not three numbers, major.minor.patch, such as 1.0.0' % text)
    major, minor, patch = (int(number) for number in found.groups())
    if max(major, patch) > 65535:
        raise VersionError('"%s": the version record holds each number in 16 bits, so at most 65535' % text)
    if minor > 99:
        raise VersionError('"%s": the minor version is written as two digits (1.00), so at most 99' % text)
    record = '%d.%02d' % (major, minor) + ('.%d' % patch if patch else '')
    return Version(text, '(v%d.%d.%d)' % (major, minor, patch), record, (major, minor, patch, 0))


def read_version(path: Path = VERSION_FILE) -> Version:
    """The version in `path`'s first line; VersionError naming the file and
    what to write there otherwise."""
    try:
        first = path.read_text(encoding='utf-8').split('\n')[0].strip()
    except OSError as error:
        raise VersionError('%s cannot be read: %s.' % (path.name, error.strerror or error)) from None
    except UnicodeDecodeError:
        raise VersionError('%s is not UTF-8 text.' % path.name) from None
    try:
        return parse_version(first)
    except VersionError as error:
        raise VersionError('%s: %s. Write the version there as major.minor.patch, such as 1.0.0, '
                           'and commit it.' % (path.name, error)) from None
