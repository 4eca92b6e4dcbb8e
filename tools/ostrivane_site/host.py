"""The site's host name: UTS #46 / IDNA 2008 with the idna library.

The host is compiled into the program: its ASCII form (lower case, each
international label as xn--) into the shortcut's URL= and IconFile= lines,
which every code page holds and every browser opens; its Unicode form into
the shortcut's file name, which the user reads under the icon. Beyond what
IDNA allows, the program takes only a plain fully qualified name: no scheme,
path, port or IP address, at least two labels, and short enough that the
shortcut and its temporary file are valid file names."""

from dataclasses import dataclass

import idna

from .errors import SiteError, code_point, quoted
from .file_names import MAX_HOST_LENGTH, SHORTCUT_EXTENSION, TEMPORARY_EXAMPLE, utf16_length


@dataclass(frozen=True)
class Host:
    ascii: str    # "www.xn--xx3br43b.kr"
    unicode: str  # "www.한빛.kr"; equal to `ascii` for an all-ASCII host


def check_host(text: str, name: str = 'host') -> Host:
    """The Host `text` names, in any case, in ASCII or Unicode; SiteError
    naming `name` and the value when the program cannot use it."""
    try:
        return _host(text)
    except _Problem as problem:
        raise SiteError('%s %s is not a plain fully qualified host name: %s.'
                        % (name, quoted(text), problem)) from None


class _Problem(Exception):
    pass


def _host(text: str) -> Host:
    # What an operator may paste by mistake, said in plain words before IDNA's.
    if not text:
        raise _Problem('it is empty')
    for char in text:
        if char in '\r\n\t':
            raise _Problem('it contains a line break or tab')
    if '://' in text:
        raise _Problem('it contains a scheme (give the host alone, without http:// or https://)')
    if '/' in text or '\\' in text:
        raise _Problem('it contains a slash or backslash (give the host alone, without a path)')
    if ':' in text:
        raise _Problem("it contains ':' (no port may be given)")
    if ' ' in text:
        raise _Problem('it contains a space')
    try:
        # Case folded, compatibility forms mapped (full-width letters and
        # dots), NFC; std3 rules: letters, digits and '-' only.
        mapped = idna.uts46_remap(text, std3_rules=True, transitional=False)
    except idna.InvalidCodepoint:
        raise _Problem('it contains %s, which a host name cannot hold'
                       % ', '.join(code_point(c) for c in _refused_characters(text)))
    labels = mapped.split('.')
    if '' in labels:
        raise _Problem("it has an empty label (a leading, trailing or doubled '.')")
    if len(labels) < 2:
        raise _Problem('it has a single label; a fully qualified name has at least two, '
                       'such as www.example.org')
    if labels[-1].isascii() and labels[-1].isdigit():
        raise _Problem("its last label '%s' is all digits, as in an IP address; a top-level "
                       "domain has a letter, such as www.example.org" % labels[-1])
    for label in labels:
        if label.startswith('-') or label.endswith('-'):
            raise _Problem("its label %s starts or ends with '-'" % quoted(label))
        if label.isascii() and len(label) > 63:
            raise _Problem("its label %s is %d characters long; at most 63 are allowed"
                           % (quoted(label), len(label)))
        try:
            idna.encode(label)
        except idna.IDNAError as error:
            # Bad punycode (xn--zz), a label too long once encoded, a joiner
            # or a right-to-left label where IDNA 2008 does not allow it.
            kind = 'an A-label (xn--)' if label.startswith('xn--') else 'a label'
            raise _Problem('its label %s is not valid as %s in IDNA 2008: %s'
                           % (quoted(label), kind, error))
    try:
        ascii_form = idna.encode(mapped).decode('ascii')
        unicode_form = idna.decode(ascii_form)
    except idna.IDNAError as error:  # the whole name: too long, or a right-to-left rule
        raise _Problem('it is not valid in IDNA 2008: %s' % error)
    length = utf16_length(unicode_form)
    if length > MAX_HOST_LENGTH:
        raise _Problem('it is %d characters long; at most %d are allowed, so that <host>%s and '
                       'its temporary file %s are valid file names'
                       % (length, MAX_HOST_LENGTH, SHORTCUT_EXTENSION, TEMPORARY_EXAMPLE))
    return Host(ascii=ascii_form, unicode=unicode_form)


def _refused_characters(text: str) -> list[str]:
    refused = []
    for char in text:
        try:
            idna.uts46_remap(char, std3_rules=True, transitional=False)
        except idna.InvalidCodepoint:
            if char not in refused:
                refused.append(char)
    return refused
