"""The site file: one TOML file per site, every value of the site in it.

    host = "www.hanbit-books.example"     # ASCII or Unicode, any case
    brand = "한빛"                         # default Trelvik
    icon = "marks/hanbit.png"             # PNG or ICO; default the Trelvik mark
    file_name = "Hanbit"                  # published as Hanbit-32bit.exe, Hanbit-64bit.exe

    [signing]                             # absent: an unsigned release
    certificate = "/secure/hanbit.pem"    # PEM or DER, or a .p12/.pfx bundle
    key = "pkcs11:token=hanbit;object=signkey;type=private"   # or a PEM key file
    pkcs11_module = "/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so"
    timestamp = ["http://timestamp.one.example", "http://timestamp.two.example"]

Relative paths are relative to the file. An unknown key or section is
refused by name: a misspelt [signing] must never give an unsigned release.
The certificate and key are only named here; opening them is signing's."""

import difflib
import os
import re
import tomllib
import urllib.parse
from dataclasses import dataclass
from pathlib import Path
from typing import Any, Literal, overload

from .brand import DEFAULT_BRAND, check_brand
from .errors import SiteError, quoted
from .host import Host, check_host
from .icon import icon_image

_SITE_KEYS = ('host', 'brand', 'icon', 'file_name', 'signing')
# Words for which Windows' installer detection takes a 32-bit program without
# a manifest for an installer and asks for administrator rights to start it.
INSTALLER_WORDS = ('setup', 'install', 'update', 'patch')
_SIGNING_KEYS = ('certificate', 'key', 'pkcs11_module', 'timestamp')

# A table of the file, as tomllib reads it.
Table = dict[str, Any]


@dataclass(frozen=True)
class Signing:
    certificate: Path
    key: str | None            # an absolute path, or a "pkcs11:" URI as given
    pkcs11_module: Path | None
    timestamp: tuple[str, ...]  # http(s) URLs of RFC 3161 servers, in the order tried


@dataclass(frozen=True)
class Site:
    file: Path
    host: Host
    brand: str
    icon: Path | None  # None: the default mark
    signing: Signing | None  # None: unsigned
    file_name: str | None = None  # what the editions are published as, before -32bit.exe; None: the default


def load_site(path: str | Path) -> Site:
    """The Site the file at `path` describes, all of it checked; SiteError
    naming the file and the value otherwise."""
    file = Path(os.path.abspath(path))
    try:
        with open(file, 'rb') as f:
            table = tomllib.load(f)
    except OSError as error:
        raise SiteError('site file "%s" cannot be read: %s.' % (file, error.strerror or error)) from None
    except UnicodeDecodeError:
        raise SiteError('site file "%s" is not UTF-8 text.' % file) from None
    except tomllib.TOMLDecodeError as error:
        raise SiteError('site file "%s" is not valid TOML: %s.' % (file, error)) from None
    try:
        return _site(file, table)
    except SiteError as error:
        raise SiteError('site file "%s": %s' % (file, error)) from None


def _site(file: Path, table: Table) -> Site:
    _refuse_unknown(table, _SITE_KEYS, '')
    host = check_host(_text(table, 'host', required=True))
    brand = check_brand(_text(table, 'brand', default=DEFAULT_BRAND))
    icon = _path(file, table, 'icon')
    if icon:
        given = table['icon']
        if not os.path.lexists(icon) and not os.path.isabs(os.path.expanduser(given)):
            raise SiteError('icon %s does not exist in the site file\'s folder "%s", where a relative '
                            'path is looked for (as "%s")' % (quoted(given), file.parent, icon))
        icon_image(icon)  # once, to know it can be made into the icon
    signing = table.get('signing')
    if signing is not None and not isinstance(signing, dict):
        raise SiteError('signing is a value, not the section [signing]')
    return Site(file=file, host=host, brand=brand, icon=icon,
                signing=None if signing is None else signing_from_table(file, signing),
                file_name=_file_name(_text(table, 'file_name')))


def _file_name(value: str | None) -> str | None:
    """The published files' name, before "-32bit.exe": plain ASCII that any
    web server and any Windows keeps as it is."""
    if value is None:
        return None
    if not re.fullmatch(r'[A-Za-z0-9][A-Za-z0-9._-]{0,63}', value):
        raise SiteError('file_name %s is not 1 to 64 ASCII letters, digits, dots, hyphens or underscores, '
                        'beginning with a letter or digit' % quoted(value))
    words = [word for word in INSTALLER_WORDS if word in value.lower()]
    if words:
        raise SiteError('file_name %s holds "%s": Windows would take the program for an installer and ask '
                        'for administrator rights to start it. Choose a name without %s'
                        % (quoted(value), words[0], ', '.join('"%s"' % w for w in INSTALLER_WORDS)))
    return value


def signing_from_table(file: Path, table: Table) -> Signing:
    """The Signing a [signing] table describes, its relative paths relative
    to `file`."""
    _refuse_unknown(table, _SIGNING_KEYS, 'signing.')
    certificate = _path(file, table, 'certificate', 'signing.')
    if not certificate:
        raise SiteError('[signing] has no certificate: give the certificate, or a .p12/.pfx '
                        'bundle, as certificate = "..."')
    key = _text(table, 'key', 'signing.')
    module = _path(file, table, 'pkcs11_module', 'signing.')
    # The key's URI is never shown: it may hold the token's PIN.
    if key and key.startswith('pkcs11:'):
        if not module:
            raise SiteError('signing.key is a key on a token (pkcs11:): give the token\'s '
                            'PKCS#11 library as signing.pkcs11_module')
    else:
        if module:
            raise SiteError('signing.pkcs11_module is given, but signing.key is not a key on a '
                            'token (pkcs11:...)')
        if key:
            key = str(_resolved(file, key))
    return Signing(certificate=certificate, key=key, pkcs11_module=module,
                   timestamp=_timestamps(table.get('timestamp', [])))


def _timestamps(value: object) -> tuple[str, ...]:
    servers = [value] if isinstance(value, str) else value
    if not isinstance(servers, list) or not all(isinstance(s, str) for s in servers):
        raise SiteError('signing.timestamp is neither an address nor a list of addresses')
    for server in servers:
        parts = urllib.parse.urlsplit(server)
        if parts.scheme not in ('http', 'https') or not parts.hostname or any(c.isspace() for c in server):
            raise SiteError('signing.timestamp %s is not an http:// or https:// address of an '
                            'RFC 3161 timestamp server' % quoted(server))
    return tuple(servers)


def _refuse_unknown(table: Table, known: tuple[str, ...], prefix: str) -> None:
    for key, value in table.items():
        if key in known:
            continue
        kind = 'section [%s%s]' % (prefix, key) if isinstance(value, dict) else 'key %s%s' % (prefix, key)
        close = difflib.get_close_matches(key, known, n=1, cutoff=0.5)
        hint = ' (did you mean %s?)' % close[0] if close else ''
        raise SiteError('unknown %s%s; the %s are %s'
                        % (kind, hint, 'keys of [signing]' if prefix else 'site file\'s keys',
                           ', '.join(known)))


# A value that is required or has a default is a string; any other may be None.
@overload
def _text(table: Table, key: str, prefix: str = '', *, required: Literal[True]) -> str: ...
@overload
def _text(table: Table, key: str, prefix: str = '', *, default: str) -> str: ...
@overload
def _text(table: Table, key: str, prefix: str = '') -> str | None: ...


def _text(table: Table, key: str, prefix: str = '', required: bool = False,
          default: str | None = None) -> str | None:
    value: object = table.get(key, default)
    if value is None and required:
        raise SiteError('%s%s is missing' % (prefix, key))
    if value is not None and not isinstance(value, str):
        raise SiteError('%s%s is not a string in quotes' % (prefix, key))
    return value


def _path(file: Path, table: Table, key: str, prefix: str = '') -> Path | None:
    value = _text(table, key, prefix)
    return _resolved(file, value) if value else None


def _resolved(file: Path, value: str) -> Path:
    return Path(os.path.normpath(file.parent / os.path.expanduser(value)))
