#!/usr/bin/env python3
"""The site's values checked and written for the build, at configure time.

Usage: configure_site.py GENERATED_DIR HOST BRAND ICON VERSION_FILE

HOST, BRAND and ICON are SITE_HOST, SITE_BRAND and SITE_ICON as given; an
empty BRAND or ICON is the default brand or mark. VERSION_FILE is
version.txt, read by the rule the release's preflight uses too
(ostrivane_site/version.py). Into GENERATED_DIR go:
  site_host.h             kSiteHost: the host's ASCII and Unicode forms
  site_brand.h            OSTRIVANE_SITE_BRAND, the brand composed (NFC)
  shortcut/file_names.h   how the program names its files (from
                          ostrivane_site.file_names, which the host's length
                          limit follows from)
  site-icon-48.dib        the icon image the resource script embeds
  site.cmake              the values as checked, and the version's forms, for
                          CMake to name and pass on
Every value is checked before anything is written, and each file is
replaced in one step, only when its bytes change (so nothing is rebuilt
for nothing). What is wrong is said on one line, with exit code 1.
"""

import os
import re
import sys

from pathlib import Path

import ostrivane_site
from ostrivane_site import file_names
from ostrivane_site.version import VersionError, read_version


def wide_literal(text: str) -> str:
    """`text` as the body of a wide string literal: letters, digits and a few
    marks as they are, every other character as a universal character name,
    so the compiler reads the same text whatever its input character set."""
    return ''.join(char if re.fullmatch(r'[A-Za-z0-9 .\-]', char)
                   else '\\u%04X' % ord(char) if ord(char) <= 0xFFFF else '\\U%08X' % ord(char)
                   for char in text)


def cmake_string(text: str) -> str:
    """`text` as a CMake bracket argument, whose brackets it cannot close."""
    equals = '=' * (max((len(run) for run in re.findall(r'=+', text)), default=0) + 1)
    return '[%s[%s]%s]' % (equals, text, equals)


def headers(host: ostrivane_site.Host, brand: str) -> dict[str, str]:
    generated = '// Generated at configure time by tools/configure_site.py: do not edit.\n'
    return {
        'site_host.h': generated + (
            '#pragma once\n\n'
            '#include "shortcut/shortcut_file.h"\n\n'
            '// The site\'s host name, from SITE_HOST: no scheme, no path, no trailing\n'
            '// slash; lower case. Its ASCII form, each international label as xn--, is\n'
            '// what the shortcut\'s lines carry; its Unicode form names the file.\n'
            'inline constexpr HostName kSiteHost = {L"%s",\n'
            '                                       L"%s"};\n'
            % (wide_literal(host.ascii), wide_literal(host.unicode))),
        'site_brand.h': generated + (
            '#pragma once\n\n'
            '// The site\'s brand word, from SITE_BRAND, composed (NFC).\n'
            '#define OSTRIVANE_SITE_BRAND L"%s"\n' % wide_literal(brand)),
        os.path.join('shortcut', 'file_names.h'): generated + (
            '// From tools/ostrivane_site/file_names.py, where the longest host name that\n'
            '// leaves both file names valid is worked out from these.\n'
            '#pragma once\n\n'
            '#include <cstddef>\n\n'
            '// The shortcut is "<host>.url".\n'
            'inline constexpr wchar_t kShortcutExtension[] = L"%s";\n'
            '// Its temporary file while it is written is "<host>.url.~" and this many\n'
            '// upper-case hex digits: "www.trelvik.example.url.~1A2B3C4D".\n'
            'inline constexpr wchar_t kTemporaryMark[] = L"%s";\n'
            'inline constexpr std::size_t kTemporaryDigits = %d;\n'
            '// The longest name of a file in a folder, on every Windows file system.\n'
            'inline constexpr std::size_t kMaxFileNameLength = %d;\n'
            % (file_names.SHORTCUT_EXTENSION, file_names.TEMPORARY_MARK,
               file_names.TEMPORARY_DIGITS, file_names.MAX_FILE_NAME_LENGTH)),
    }


def write_if_changed(path: str, data: bytes) -> None:
    try:
        with open(path, 'rb') as f:
            if f.read() == data:
                return
    except OSError:
        pass
    os.makedirs(os.path.dirname(path), exist_ok=True)
    partial = path + '.partial'
    with open(partial, 'wb') as f:
        f.write(data)
    os.replace(partial, path)


def main(argv: list[str]) -> None:
    if len(argv) != 6:
        sys.exit('usage: configure_site.py GENERATED_DIR HOST BRAND ICON VERSION_FILE')
    generated, host_name, brand, icon, version_file = argv[1:]
    try:
        version = read_version(Path(version_file))
    except VersionError as error:
        sys.exit(str(error))
    try:
        host = ostrivane_site.check_host(host_name, 'SITE_HOST')
        brand = ostrivane_site.check_brand(brand or ostrivane_site.DEFAULT_BRAND, 'SITE_BRAND')
        image = (ostrivane_site.icon_image(icon, 'SITE_ICON') if icon
                 else ostrivane_site.DEFAULT_ICON.read_bytes())
    except ostrivane_site.SiteError as error:
        sys.exit(str(error))
    files = {name: text.encode('ascii') for name, text in headers(host, brand).items()}
    files['site-icon-48.dib'] = image
    files['site.cmake'] = (
        '# Generated at configure time by tools/configure_site.py: do not edit.\n'
        'set(OSTRIVANE_SITE_HOST_ASCII %s)\n'
        'set(OSTRIVANE_SITE_HOST_UNICODE %s)\n'
        'set(OSTRIVANE_SITE_BRAND %s)\n'
        'set(OSTRIVANE_VERSION %s)\n'
        'set(OSTRIVANE_VERSION_CAPTION %s)\n'
        'set(OSTRIVANE_VERSION_TEXT %s)\n'
        'set(OSTRIVANE_VERSION_NUMBERS %s)\n'
        % (cmake_string(host.ascii), cmake_string(host.unicode), cmake_string(brand),
           cmake_string(version.text), cmake_string(version.caption), cmake_string(version.record),
           cmake_string(','.join(map(str, version.numbers))))).encode()
    for name, data in files.items():
        write_if_changed(os.path.join(generated, name), data)


if __name__ == '__main__':
    main(sys.argv)
