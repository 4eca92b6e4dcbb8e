"""Stand-in for the executable check: only the two readers the release
check needs. The PE check (tools/check_executable.py of its own change)
replaces this file whole."""

import pefile

RT_ICON = pefile.RESOURCE_TYPE["RT_ICON"]


def icon_image(path) -> bytes:
    """The bytes of the executable's one icon image (RT_ICON)."""
    pe = pefile.PE(str(path))
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id == RT_ICON:
            data = kind.directory.entries[0].directory.entries[0].data.struct
            return pe.get_data(data.OffsetToData, data.Size)
    raise ValueError(f"{path} holds no icon image")


def version_strings(path) -> dict[str, str]:
    """The version record's string table: key to value."""
    pe = pefile.PE(str(path))
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            return {key.decode(): value.decode() for table in info.StringTable
                    for key, value in table.entries.items()}
    return {}
