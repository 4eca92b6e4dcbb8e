"""The site's brand word: in the window caption, "<brand> 솔루션(v1.0.0)", and
in the shortcut's description, "<brand>바로가기".

Any script is welcome, composed (NFC) so that typed decomposed it is still
the same word. What would break the caption or a line of the shortcut is
refused: line breaks, controls, invisible formatting characters (such as
U+061C and U+202E, which reorder the text around them), private-use,
surrogate and unassigned code points, leading or trailing space, and a word
too wide for the title bar. The zero-width joiner and non-joiner stay: some
scripts and emoji need them."""

import unicodedata

from .errors import INVISIBLE_CATEGORIES, SiteError, code_point, quoted

DEFAULT_BRAND = 'Trelvik'

# The title bar of the 300-pixel-wide window shows about 24 Latin letters or
# 12 Hangul syllables of the brand at 100% before the rest of the caption.
BRAND_MAX_COLUMNS = 24

_JOINERS = frozenset('\u200c\u200d')
_WHAT = {'Cc': 'a control character',
         'Cf': 'an invisible formatting character, which can reorder or hide the text around it',
         'Co': 'a private-use character', 'Cs': 'a byte that is not UTF-8 text',
         'Cn': 'an unassigned code point', 'Zl': 'a line break', 'Zp': 'a line break'}


def columns(text: str) -> int:
    """How wide `text` is in a title bar: East Asian Width W and F take two columns."""
    return sum(2 if unicodedata.east_asian_width(char) in 'WF' else 1 for char in text)


def check_brand(text: str, name: str = 'brand') -> str:
    """`text` composed (NFC), or SiteError naming `name` and the value."""
    brand = unicodedata.normalize('NFC', text)
    problem = _problem(brand)
    if problem:
        raise SiteError('%s %s cannot be the brand word: %s.' % (name, quoted(text), problem))
    return brand


def _problem(brand: str) -> str | None:
    if not brand:
        return 'it is empty'
    for char in brand:
        category = unicodedata.category(char)
        if category in INVISIBLE_CATEGORIES and char not in _JOINERS:
            what = 'a line break' if char in '\r\n\x85' else _WHAT[category]
            if category == 'Cs':
                return 'it is not valid UTF-8 text'
            return 'it contains %s (%s)' % (what, code_point(char))
    if unicodedata.category(brand[0]) == 'Zs' or unicodedata.category(brand[-1]) == 'Zs':
        return 'it starts or ends with a space'
    width = columns(brand)
    if width > BRAND_MAX_COLUMNS:
        return ('it is %d characters (%d columns) long; at most %d columns fit in the window\'s '
                'title bar, where a wide character (Hangul, kana, CJK) takes two and any other one'
                % (len(brand), width, BRAND_MAX_COLUMNS))
    return None
