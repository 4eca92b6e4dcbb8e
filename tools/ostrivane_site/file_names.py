"""How the program names the files it writes.

The C++ side takes these from shortcut/file_names.h, which
tools/configure_site.py generates from this module; the host's length limit
follows from them."""

# The shortcut is "<host>.url", the host in its Unicode form.
SHORTCUT_EXTENSION = '.url'
# Its temporary file while it is written is "<host>.url.~" and this many
# upper-case hex digits: "www.trelvik.example.url.~1A2B3C4D".
TEMPORARY_MARK = '.~'
TEMPORARY_DIGITS = 8
# The longest name of a file in a folder, on every Windows file system, in
# UTF-16 code units.
MAX_FILE_NAME_LENGTH = 255

# The longest host (its Unicode form, in UTF-16 code units) that leaves both
# file names valid: 241 with the names above.
MAX_HOST_LENGTH = MAX_FILE_NAME_LENGTH - len(SHORTCUT_EXTENSION + TEMPORARY_MARK) - TEMPORARY_DIGITS
TEMPORARY_EXAMPLE = '<host>%s%s%s' % (SHORTCUT_EXTENSION, TEMPORARY_MARK,
                                      '1234567890ABCDEF'[:TEMPORARY_DIGITS])


def utf16_length(text: str) -> int:
    """How many UTF-16 code units Windows counts in `text`."""
    return len(text.encode('utf-16-le', 'surrogatepass')) // 2
