#!/usr/bin/env python3
"""Whether a built executable is fit to ship, read with pefile.

Usage: check_executable.py EXE --min-windows MAJOR.MINOR
           [--icon GROUP_ID IMAGE_ID IMAGE_BYTES IMAGE_FILE --version NUMBERS TEXT]

EXE must import only DLLs that Windows takes from its own system folder
whatever folder the program starts from, carry no manifest resource, have the
security marks of a Windows program, and declare MIN_WINDOWS (such as 6.1)
as the oldest Windows it runs on, and import only functions that Windows
has (ostrivane_site/windows7.py). With --icon and --version, its resources
must be exactly the program's: the icon group GROUP_ID holding one 48 x 48,
32-bit image, IMAGE_ID, of IMAGE_BYTES bytes, the one in IMAGE_FILE, both
language-neutral; and the version record, whose numbers are NUMBERS
(1,0,0,0) and whose strings say TEXT (1.00). The build passes the values the
resource script is made from.

What is wrong is said on one line, naming the file, with exit code 1.
The release imports icon_image() and version_strings().
"""

import argparse
import struct
import sys
from pathlib import Path
from typing import NoReturn

import pefile

from . import windows7

# DLLs imported by name are resolved before the program's first line runs,
# looked for beside the program first, unless they are KnownDLLs, which
# Windows takes only from the system folder. These are KnownDLLs on every
# Windows from 7 to 11.
KNOWN_DLLS = ('advapi32.dll', 'comdlg32.dll', 'gdi32.dll', 'imm32.dll', 'kernel32.dll',
              'msvcrt.dll', 'ole32.dll', 'oleaut32.dll', 'shell32.dll', 'shlwapi.dll',
              'user32.dll', 'ws2_32.dll')

# The IMAGE_DLLCHARACTERISTICS_* bits that Microsoft's linker sets by default.
MARKS = {'DYNAMIC_BASE': 0x40, 'NX_COMPAT': 0x100, 'TERMINAL_SERVER_AWARE': 0x8000}
HIGH_ENTROPY_VA = 0x20  # for 64-bit code

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
NEUTRAL, ENGLISH_US = 0x0000, 0x0409

# A resource's (type, id, language); a named type or resource by its name.
ResourceKey = tuple[int | str, int | str, int]
# A version record's translations: (the value's length, {b'Translation': '0x0409 0x04b0'}).
Translations = list[tuple[int, dict[bytes, str]]]


class Refused(Exception):
    """What is wrong with the executable, in one line."""


def load(path: str | Path) -> pefile.PE:
    try:
        return pefile.PE(path)
    except OSError as error:
        raise Refused('%s cannot be read: %s' % (path, error.strerror or error))
    except pefile.PEFormatError as error:
        raise Refused('%s is not a Windows executable: %s' % (path, error.value))


def resources(pe: pefile.PE) -> dict[ResourceKey, bytes]:
    """{(type, id, language): bytes} for every resource (a named one by its name)."""
    found: dict[ResourceKey, bytes] = {}
    directory = getattr(pe, 'DIRECTORY_ENTRY_RESOURCE', None)
    for kind in directory.entries if directory else []:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                key = (kind.id if kind.name is None else str(kind.name),
                       name.id if name.name is None else str(name.name), language.id)
                found[key] = pe.get_data(data.OffsetToData, data.Size)
    return found


def the_one(found: dict[ResourceKey, bytes], path: str | Path, kind: int,
            what: str) -> tuple[tuple[int | str, int], bytes]:
    """The one resource of `kind` in `found`, as ((id, language), bytes)."""
    of_kind = [(key[1:], data) for key, data in found.items() if key[0] == kind]
    if len(of_kind) != 1:
        raise Refused('%s carries %d %s, not one' % (path, len(of_kind), what))
    return of_kind[0]


def icon_image(path: str | Path) -> bytes:
    """The bytes of the executable's one icon image."""
    return the_one(resources(load(path)), path, RT_ICON, 'icon images')[1]


def is_signed(path: str | Path) -> bool:
    """Whether the executable carries a signature (an Authenticode
    certificate table)."""
    security = pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_SECURITY']
    size: int = load(path).OPTIONAL_HEADER.DATA_DIRECTORY[security].Size
    return size > 0


def program_strings(record: str) -> dict[str, str]:
    """The strings of the program's version record, in their order, for the
    version `record` (1.00): what every build and every release checks."""
    return {'ProductName': 'Ostrivane', 'FileVersion': record, 'ProductVersion': record,
            'InternalName': 'Ostrivane', 'OriginalFilename': 'Ostrivane.exe'}


def version_strings(path: str | Path) -> dict[str, str]:
    """The string table of the executable's version record, {key: value}, in its order."""
    return version_record(load(path), path)[1]


def version_record(pe: pefile.PE,
                   path: str | Path) -> tuple[pefile.Structure, dict[str, str], str, Translations]:
    """The version record's fixed part, the key and entries of its one string
    table, and its translations as (value bytes, pefile's last pair)."""
    the_one(resources(pe), path, RT_VERSION, 'version records')
    tables: list[pefile.Structure] = []
    translations: Translations = []
    for info in pe.FileInfo[0] if getattr(pe, 'FileInfo', None) else []:
        if info.Key == b'StringFileInfo':
            tables += info.StringTable
        elif info.Key == b'VarFileInfo':
            translations += [(var.ValueLength, var.entry) for var in info.Var]
    if len(tables) != 1 or not getattr(pe, 'VS_FIXEDFILEINFO', None):
        raise Refused('%s\'s version record holds %d string tables and %s fixed part, not one each'
                      % (path, len(tables), 'a' if getattr(pe, 'VS_FIXEDFILEINFO', None) else 'no'))
    strings = {key.decode(): value.decode() for key, value in tables[0].entries.items()}
    return pe.VS_FIXEDFILEINFO[0], strings, tables[0].LangID.decode().upper(), translations


def check_headers(pe: pefile.PE, path: str | Path, min_windows: tuple[int, ...]) -> None:
    imports = getattr(pe, 'DIRECTORY_ENTRY_IMPORT', []) + getattr(pe, 'DIRECTORY_ENTRY_DELAY_IMPORT', [])
    unknown = [entry.dll.decode() for entry in imports if entry.dll.decode().lower() not in KNOWN_DLLS]
    if unknown:
        raise Refused(
            '%s imports %s, which Windows would look for beside the program first, where anyone '
            'can leave a DLL of that name: only KnownDLLs (%s) may be imported. Link the runtimes '
            'statically, and load any other system DLL at run time from the system folder '
            '(LoadLibraryExW with LOAD_LIBRARY_SEARCH_SYSTEM32), as shcore.dll is.'
            % (path, ', '.join(unknown), ', '.join(KNOWN_DLLS)))
    if any(key[0] == RT_MANIFEST for key in resources(pe)):
        raise Refused('%s carries a manifest resource; it must not.' % path)

    header = pe.OPTIONAL_HEADER
    marks = dict(MARKS)
    if header.Magic == pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS:
        marks['HIGH_ENTROPY_VA'] = HIGH_ENTROPY_VA
    for name, bit in marks.items():
        if not header.DllCharacteristics & bit:
            raise Refused('%s is not marked %s (DllCharacteristics 0x%04x); link it with the '
                          'options in CMakeLists.txt.' % (path, name, header.DllCharacteristics))

    # Older Windows need not try, and newer ones must not be asked for.
    for field, declared in (
            ('operating system', (header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion)),
            ('subsystem', (header.MajorSubsystemVersion, header.MinorSubsystemVersion))):
        if declared != min_windows:
            raise Refused('%s does not declare Windows %d.%d as its minimum %s version but %d.%d; '
                          'link it with the options in CMakeLists.txt.'
                          % ((path,) + min_windows + (field,) + declared))

    # Every function it imports, on that Windows.
    problem = windows7.import_problem(pe, path, min_windows)
    if problem:
        raise Refused(problem)


def check_resources(pe: pefile.PE, path: str | Path, icon: tuple[int, int, int, str],
                    version: tuple[list[int], str]) -> None:
    """Only the icon group, its image and the version record, as configured."""
    found = resources(pe)
    others = sorted({key[0] for key in found} - {RT_ICON, RT_GROUP_ICON, RT_VERSION}, key=str)
    if others:
        raise Refused('%s carries resources of types %s besides the icon and the version record; '
                      'it must not.' % (path, ', '.join(map(str, others))))
    check_icon(found, path, *icon)
    check_version(pe, found, path, *version)


def check_icon(found: dict[ResourceKey, bytes], path: str | Path, group_id: int, image_id: int,
               image_bytes: int, image_file: str) -> None:
    def wrong_icon(what: str) -> NoReturn:
        raise Refused('%s\'s icon is not a single 48 x 48, 32-bit image of %d bytes (group %d, '
                      'image %d): %s. Give SITE_ICON a square PNG or ICO image of at least 48 x 48 '
                      'pixels.' % (path, image_bytes, group_id, image_id, what))

    groups = [key for key in found if key[0] == RT_GROUP_ICON]
    images = [key for key in found if key[0] == RT_ICON]
    if len(groups) != 1 or len(images) != 1:
        wrong_icon('it has %d icon groups and %d icon images' % (len(groups), len(images)))
    if groups[0][1:] != (group_id, NEUTRAL) or images[0][1:] != (image_id, NEUTRAL):
        wrong_icon('its group is numbered %s, language 0x%04x, and its image %s, language 0x%04x'
                   % (groups[0][1:] + images[0][1:]))
    image, group = found[images[0]], found[groups[0]]
    if len(image) != image_bytes:
        wrong_icon('its image is %d bytes' % len(image))
    # The bitmap header: its size, width, height (image and mask), planes,
    # bits per pixel, then compression, image size, resolution and colour
    # counts, all 0.
    bitmap = struct.unpack('<IiiHH6I', image[:40])
    if bitmap != (40, 48, 96, 1, 32, 0, 0, 0, 0, 0, 0):
        wrong_icon('its image is %d x %d with %d planes at %d bits per pixel, header %s'
                   % (bitmap[1:5] + (bitmap,)))
    # The group: reserved, type 1 (icon), one entry of 48 x 48, no palette,
    # 1 plane, 32 bits, the image's size and number.
    entry = struct.unpack('<3H4B2HIH', group[:20].ljust(20, b'\0'))
    if len(group) != 20 or entry != (0, 1, 1, 48, 48, 0, 0, 1, 32, len(image), image_id):
        wrong_icon('its group lists %d entries, the first %d x %d at %d bits, %d bytes, image %d'
                   % (entry[2:5] + entry[8:]))
    with open(image_file, 'rb') as f:
        if f.read() != image:
            wrong_icon('its image is not the configured one, %s' % image_file)


def check_version(pe: pefile.PE, found: dict[ResourceKey, bytes], path: str | Path, numbers: list[int],
                  text: str) -> None:
    (version_id, language), _ = the_one(found, path, RT_VERSION, 'version records')
    fixed, strings, table, translations = version_record(pe, path)
    major, minor, patch, build = numbers
    number = ((major << 16) | minor, (patch << 16) | build)
    # An application (type 1) for 32-bit Windows (0x4, not the NT value).
    wanted = {'FileVersionMS': number[0], 'FileVersionLS': number[1],
              'ProductVersionMS': number[0], 'ProductVersionLS': number[1], 'FileFlagsMask': 0,
              'FileFlags': 0, 'FileOS': 0x4, 'FileType': 1, 'FileSubtype': 0, 'FileDateMS': 0,
              'FileDateLS': 0}
    fields = {field: getattr(fixed, field) for field in wanted}
    expected = program_strings(text)
    for what, found_value, wanted_value in (
            ('its number and language', (version_id, language), (1, ENGLISH_US)),
            ('its fixed part', fields, wanted),
            ('its string table\'s language', table, '040904B0'),
            ('its strings and their order', list(strings.items()), list(expected.items())),
            ('its translations', translations, [(4, {b'Translation': '0x0409 0x04b0'})])):
        if found_value != wanted_value:
            raise Refused('%s\'s version record is not the program\'s, in %s: %s, not %s.'
                          % (path, what, found_value, wanted_value))


def main(argv: list[str]) -> None:
    parser = argparse.ArgumentParser(description='Checks that a built executable is fit to ship.')
    parser.add_argument('executable')
    parser.add_argument('--min-windows', required=True, help='the oldest Windows, such as 6.1')
    parser.add_argument('--icon', nargs=4, metavar=('GROUP_ID', 'IMAGE_ID', 'IMAGE_BYTES', 'IMAGE_FILE'))
    parser.add_argument('--version', nargs=2, metavar=('NUMBERS', 'TEXT'))
    arguments = parser.parse_args(argv[1:])
    try:
        min_windows = tuple(int(part) for part in arguments.min_windows.split('.'))
    except ValueError:
        min_windows = ()
    if len(min_windows) != 2:
        parser.error('--min-windows takes a version such as 6.1, not "%s"' % arguments.min_windows)
    if bool(arguments.icon) != bool(arguments.version):
        parser.error('--icon and --version go together')
    path = arguments.executable
    try:
        pe = load(path)
        check_headers(pe, path, min_windows)
        if arguments.icon:
            group_id, image_id, image_bytes, image_file = arguments.icon
            numbers, text = arguments.version
            check_resources(pe, path, (int(group_id), int(image_id), int(image_bytes), image_file),
                            ([int(number) for number in numbers.split(',')], text))
    except Refused as problem:
        sys.exit(str(problem))


if __name__ == '__main__':
    main(sys.argv)
