"""The one error every refusal of a site value is, and how a value is shown in it."""

import unicodedata


class SiteError(ValueError):
    """A value of the site the build or the release cannot use.

    str(error) is one line that names the value or file and says what is
    wrong: never a traceback, never a PIN or password."""


# Characters that would break the one line an error is, or change how the
# text around them is shown: line breaks, controls, invisible formatting,
# private-use, unpaired surrogates and unassigned code points.
INVISIBLE_CATEGORIES = frozenset({'Cc', 'Cf', 'Co', 'Cs', 'Cn', 'Zl', 'Zp'})


# The characters of a keyboard that are most often typed by mistake, in the
# words people use for them.
PLAIN_NAMES = {'_': 'an underscore', ' ': 'a space', '/': 'a slash', '\\': 'a backslash', '@': 'an at sign',
               '#': 'a hash sign', '%': 'a percent sign', '&': 'an ampersand', '?': 'a question mark',
               '*': 'an asterisk', '"': 'a double quote', "'": 'an apostrophe', ',': 'a comma',
               ';': 'a semicolon', '!': 'an exclamation mark', '+': 'a plus sign', '=': 'an equals sign',
               '~': 'a tilde', '|': 'a vertical bar', '<': 'a less-than sign', '>': 'a greater-than sign'}


def code_point(char: str) -> str:
    """"an underscore (_)" for a character typed by mistake, else
    'U+061C ARABIC LETTER MARK', or 'U+0007' for a character without a name."""
    if char in PLAIN_NAMES:
        return '%s (%s)' % (PLAIN_NAMES[char], char)
    name = unicodedata.name(char, '')
    return 'U+%04X%s' % (ord(char), ' ' + name if name else '')


def quoted(text: str) -> str:
    """`text` in double quotes, each invisible character written as an escape,
    so that the error stays one readable line whatever the value holds."""
    shown = []
    for char in text:
        if unicodedata.category(char) not in INVISIBLE_CATEGORIES:
            shown.append(char)
        elif 0xDC80 <= ord(char) <= 0xDCFF:  # a byte that was not UTF-8
            shown.append('\\x%02X' % (ord(char) - 0xDC00))
        elif char == '\n':
            shown.append('\\n')
        elif char == '\r':
            shown.append('\\r')
        elif char == '\t':
            shown.append('\\t')
        else:
            shown.append('\\u%04X' % ord(char) if ord(char) <= 0xFFFF else '\\U%08X' % ord(char))
    return '"%s"' % ''.join(shown)
