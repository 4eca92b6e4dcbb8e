"""The record of one release: what it is, written once by the release as
dist/<host>/release.json (for tools: --verify reads only this) and rendered
as release.txt (for people). No local path is ever part of it."""

import json
import types
from dataclasses import asdict, dataclass, field, fields, is_dataclass
from typing import Any, TypeVar, cast, get_args, get_origin

from .errors import ManifestError

FORMAT = 1  # release.json's layout; a reader refuses any other


@dataclass(frozen=True)
class SiteRecord:
    host: str            # ASCII: the shortcut's URL
    host_unicode: str    # the shortcut's name
    brand: str
    icon: str            # "the site's mark" or "the default mark"
    mark_sha256: str     # of the 48 x 48 image the program carries


@dataclass(frozen=True)
class SignerRecord:
    subject: str
    issuer: str
    serial: str
    fingerprint: str     # SHA-256 of the certificate
    valid_from: str
    valid_to: str
    trust: str           # self-signed, private root or public root
    timestamp_servers: list[str]
    warnings: list[str]


@dataclass(frozen=True)
class Toolchain:
    compiler: str
    binutils: str
    mingw: str           # the MinGW-w64 runtime's version

    def differences(self, other: 'Toolchain') -> list[str]:
        """'Compiler "x" here, "y" in the record', one per differing tool."""
        return ['%s "%s" here, "%s" in the record' % (label, getattr(self, name), getattr(other, name))
                for name, label in TOOL_LABELS.items() if getattr(self, name) != getattr(other, name)]


TOOL_LABELS = {'compiler': 'Compiler', 'binutils': 'Binutils', 'mingw': 'MinGW-w64 runtime'}


@dataclass(frozen=True)
class EditionRecord:
    arch: str
    bits: str
    file: str                 # the published name, in the release's folder
    sha256: str               # of the published file
    unsigned_sha256: str      # of the file as built, before signing
    timestamp: str | None     # the server whose timestamp the signature carries
    ran: bool                 # run once under Wine before it was published
    run: str                  # how it was run, or why it was not
    screenshots: list[str]    # in the release's folder
    toolchain: Toolchain


@dataclass(frozen=True)
class Manifest:
    version: str
    date: str                 # UTC, YYYY-MM-DD HH:MM:SS UTC
    source_commit: str | None  # None: not made from a git checkout
    source_clean: bool        # False: made with uncommitted changes
    site: SiteRecord
    caption: str              # the window's caption, as the program makes it
    description: str          # the shortcut's description
    signer: SignerRecord | None
    editions: list[EditionRecord] = field(default_factory=list)
    format: int = FORMAT

    @property
    def verifiable(self) -> bool:
        return self.source_commit is not None and self.source_clean

    def to_json(self) -> str:
        return json.dumps(asdict(self), ensure_ascii=False, indent=2) + '\n'

    def edition(self, arch: str) -> EditionRecord | None:
        return next((each for each in self.editions if each.arch == arch), None)


T = TypeVar('T')


def _build(kind: type[T], data: object, where: str) -> T:
    """An instance of the dataclass `kind` from `data`, each field of the type
    it declares; ManifestError naming `where` otherwise."""
    if not isinstance(data, dict):
        raise ManifestError('%s is not an object' % where)
    values: dict[str, Any] = {}
    for each in fields(cast(Any, kind)):  # any dataclass: typeshed's own type for it is private
        if each.name not in data:
            raise ManifestError('%s has no "%s"' % (where, each.name))
        values[each.name] = _value(data[each.name], each.type, '%s.%s' % (where, each.name))
    return kind(**values)


def _value(value: object, wanted: Any, where: str) -> object:
    """`value` as the type `wanted` (a class, a dataclass, X | None or list[X])."""
    if isinstance(wanted, type) and is_dataclass(wanted):
        return _build(wanted, value, where)
    if isinstance(wanted, types.UnionType):
        options = get_args(wanted)
        if value is None and type(None) in options:
            return None
        return _value(value, next(kind for kind in options if kind is not type(None)), where)
    if get_origin(wanted) is list:
        if not isinstance(value, list):
            raise ManifestError('%s is not a list' % where)
        return [_value(item, get_args(wanted)[0], '%s[%d]' % (where, at)) for at, item in enumerate(value)]
    if type(value) is not wanted:  # exactly: a bool is no int here
        raise ManifestError('%s is not %s' % (where, getattr(wanted, '__name__', wanted)))
    return value


def from_json(text: str, shown: str) -> Manifest:
    """The Manifest in `text`, release.json as `shown` names it."""
    try:
        data = json.loads(text)
    except json.JSONDecodeError as error:
        raise ManifestError('%s is not JSON: %s' % (shown, error)) from None
    if not isinstance(data, dict) or data.get('format') != FORMAT:
        raise ManifestError('%s is not a release record of format %d (it says %s): verify it with the '
                            'release command of its time' % (shown, FORMAT, isinstance(data, dict)
                                                             and data.get('format')))
    return _build(Manifest, data, shown)


def render_text(manifest: Manifest) -> str:
    """release.txt: the record for people, a line a fact."""
    site = manifest.site
    source = manifest.source_commit or 'none: not made from a git checkout'
    if manifest.source_commit and not manifest.source_clean:
        source += ', with uncommitted changes'
    lines = ['Ostrivane %s for https://%s' % (manifest.version, site.host),
             'Date: ' + manifest.date,
             'Source commit: ' + source,
             'Site: https://%s%s' % (site.host, ' (%s)' % site.host_unicode if site.host_unicode != site.host
                                     else ''),
             'Shortcut: %s.url' % site.host_unicode,
             'Brand: ' + site.brand,
             'Caption: ' + manifest.caption,
             'Description: ' + manifest.description,
             'Icon: %s, its 48 x 48 image SHA-256 %s' % (site.icon, site.mark_sha256)]
    signer = manifest.signer
    if signer is None:
        lines.append('Signature: none, the release is unsigned')
    else:
        lines += ['Signer: ' + signer.subject, 'Issuer: ' + signer.issuer,
                  'Trust: ' + signer.trust, 'Serial number: ' + signer.serial,
                  'Certificate SHA-256: ' + signer.fingerprint,
                  'Valid from: ' + signer.valid_from, 'Valid to: ' + signer.valid_to]
        lines += ['Warning: ' + warning for warning in signer.warnings]
    for each in manifest.editions:
        lines += ['', '%s: the %s edition (%s)' % (each.file, each.bits, each.arch),
                  '  SHA-256: ' + each.sha256,
                  '  SHA-256 before signing: ' + each.unsigned_sha256,
                  '  Timestamp: ' + (each.timestamp or 'none'),
                  '  Checked: ' + each.run]
        lines += ['  Screenshot: ' + shot for shot in each.screenshots]
        lines += ['  %s: %s' % (label, getattr(each.toolchain, name) or 'unknown')
                  for name, label in TOOL_LABELS.items()]
    return '\n'.join(lines) + '\n'
