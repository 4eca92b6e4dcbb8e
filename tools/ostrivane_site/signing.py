"""The signing material, checked before anything is built, and the signing.

check_signing opens the certificate and the key the way signing will: files
with `cryptography` (PEM, DER or PKCS#7 certificates, a chain in any order;
PEM keys; PKCS#12 bundles), a key on a token through the token's own PKCS#11
library (PyKCS11). What osslsigncode would fail on later, or Windows would
not trust, is refused in one line that names the file or the token: a key
that is not RSA too, as Windows 11's Smart App Control accepts only RSA
signatures and starts no program signed otherwise. sign
signs with osslsigncode and adds a timestamp from the first server that
gives one in time.

The password of a key or bundle, or the token's PIN, is passed in by the
caller (from OSTRIVANE_SIGN_PASSWORD); it goes to osslsigncode on a pipe,
never on a command line, and is never part of a message."""

import contextlib
import ctypes
import hashlib
import os
import re
import secrets
import shutil
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.parse
import urllib.request
from collections.abc import Callable, Iterator
from dataclasses import dataclass
from datetime import datetime, timedelta, timezone
from pathlib import Path
from types import ModuleType
from typing import TYPE_CHECKING, cast

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec, rsa
from cryptography.hazmat.primitives.serialization import pkcs7, pkcs12

from .errors import SiteError
from .processes import run_bounded
from .site_file import Signing

if TYPE_CHECKING:
    import PyKCS11
    # Every kind of key `cryptography` reads. Its versions from 40 on also call
    # these PrivateKeyTypes and PublicKeyTypes; Debian 12's 38 knows only these names.
    from cryptography.hazmat.primitives.asymmetric.types import PRIVATE_KEY_TYPES, PUBLIC_KEY_TYPES

# How long one timestamp server may take before the next is tried.
TIMESTAMP_SECONDS = 30
# How long signing or checking a signature may take: a token or a key file
# answers in a second or two.
SIGNING_SECONDS = 120
# A certificate that expires this soon gets a warning.
EXPIRY_WARNING = timedelta(days=30)
# Where Debian keeps the roots the system trusts; a signature is verified up
# to one of them or to a root in the certificate file.
SYSTEM_ROOTS = Path('/etc/ssl/certs/ca-certificates.crt')

PASSWORD_VARIABLE = 'OSTRIVANE_SIGN_PASSWORD'

# Who vouches for a certificate: nobody but itself, a root of its own that
# Windows does not hold, or a root of the public list (this machine's, which
# is the list browsers and Windows draw on).
SELF_SIGNED, PRIVATE_ROOT, PUBLIC = 'self-signed', 'private root', 'public root'

# Whether a certificate is of a given key.
Matches = Callable[[x509.Certificate], bool]


@dataclass(frozen=True)
class Signer:
    """The certificate a release is signed with, as the record names it."""
    subject: str
    issuer: str
    serial: str       # hex, as Windows shows it
    fingerprint: str  # SHA-256 of the certificate, hex
    not_before: datetime
    not_after: datetime
    chain_pem: bytes  # the certificate first, then its issuers, for osslsigncode
    warnings: tuple[str, ...]
    trust: str = PUBLIC  # SELF_SIGNED, PRIVATE_ROOT or PUBLIC: who vouches for it


def check_signing(signing: Signing, password: str | None) -> Signer:
    """The Signer of `signing` (an ostrivane_site.Signing), once its
    certificate, its key and `password` have been found to sign; SiteError
    otherwise."""
    data = _read(signing.certificate, 'certificate')
    if signing.key is None:
        key_name = 'the key in the bundle "%s"' % signing.certificate
        key, certificates = _bundle(signing.certificate, data, password)
        _refuse_unless_rsa(key_name, _kind(key))
        matches = _same_key(key.public_key())
    else:
        if _is_bundle(data):
            raise SiteError('certificate "%s" is a PKCS#12 bundle, which holds its own key and takes no key: '
                            'leave the key out, or give the certificate alone as certificate.'
                            % signing.certificate)
        certificates = _certificates(signing.certificate, data)
        if signing.key.startswith('pkcs11:'):
            matches = _token_key(signing, password)  # refuses a URI that holds a PIN first
            key_name = 'key "%s"' % signing.key
        else:
            key_name = 'key "%s"' % signing.key
            key = _key_file(Path(signing.key), password)
            _refuse_unless_rsa(key_name, _kind(key))
            matches = _same_key(key.public_key())
    chain = _chain(signing.certificate, certificates, matches, key_name)
    leaf = chain[0]
    _check_use(signing.certificate, leaf)
    trust = _trust(chain)
    return Signer(
        subject=leaf.subject.rfc4514_string(), issuer=leaf.issuer.rfc4514_string(),
        serial=_serial(leaf), fingerprint=leaf.fingerprint(hashes.SHA256()).hex().upper(),
        not_before=_utc(leaf, 'not_valid_before'), not_after=_utc(leaf, 'not_valid_after'),
        chain_pem=b''.join(c.public_bytes(serialization.Encoding.PEM) for c in chain),
        warnings=_warnings(signing, leaf) + _trust_warnings(chain, trust), trust=trust)


def sign(exe: str | Path, signed_out: str | Path, signing: Signing, signer: Signer,
         password: str | None) -> str | None:
    """Signs `exe` into `signed_out` (replaced in one step; `exe` stays as
    it is) and returns the timestamp server whose timestamp the signature
    carries, or None when `signing` names none. Each server is given
    TIMESTAMP_SECONDS, then the next is tried; when none gives a timestamp,
    SiteError names each and what happened, and nothing is written."""
    with tempfile.TemporaryDirectory() as work:
        chain = Path(work, 'chain.pem')
        chain.write_bytes(signer.chain_pem)
        unstamped = Path(work, 'signed.exe')
        command = ['osslsigncode', 'sign', '-h', 'sha256', '-n', 'Ostrivane',
                   '-in', str(exe), '-out', str(unstamped)]
        if signing.key is None:
            command += ['-pkcs12', str(signing.certificate)]
        elif signing.key.startswith('pkcs11:'):
            # No -pkcs11engine: osslsigncode finds OpenSSL's pkcs11 engine
            # itself, and 2.5 fails to load it when it is named by path.
            command += ['-pkcs11module', str(signing.pkcs11_module), '-key', signing.key,
                        '-certs', str(chain)]
        else:
            command += ['-certs', str(chain), '-key', signing.key]
        # osslsigncode cannot read an empty password: a key without one needs none.
        if password:
            command += ['-readpass', '/dev/stdin']
        _osslsigncode(command, 'sign %s' % Path(exe).name, password)
        if not signing.timestamp:
            _place(unstamped, signed_out)
            return None
        failures: list[str] = []
        for server in signing.timestamp:
            stamped = Path(work, 'stamped.exe')
            outcome = run_bounded(['osslsigncode', 'add', '-h', 'sha256', '-ts', server,
                                   '-in', unstamped, '-out', stamped], TIMESTAMP_SECONDS)
            if outcome and outcome[0] == 0:
                _place(stamped, signed_out)
                return server
            # osslsigncode does not say why; one request of our own does.
            failures.append('%s %s' % (server, 'gave no answer within %d s' % TIMESTAMP_SECONDS
                                       if outcome is None else
                                       _timestamp_problem(server) or 'gave a timestamp, then none to osslsigncode'))
    raise SiteError('no timestamp server gave %s a timestamp: %s. Try again later, or add another '
                    'server to the list.' % (Path(exe).name, '; '.join(failures)))


def check_timestamps(servers: tuple[str, ...]) -> list[str]:
    """Asks each of `servers` at once for one RFC 3161 timestamp, each for
    at most TIMESTAMP_SECONDS as signing does, and returns, in their order,
    what each that gave none met ("<server> gave no answer within 30 s")."""
    outcomes: dict[str, str] = {}

    def ask(server: str) -> None:
        outcomes[server] = _timestamp_problem(server) or ''
    askers = [threading.Thread(target=ask, args=(server,), daemon=True) for server in servers]
    for asker in askers:
        asker.start()
    deadline = time.monotonic() + TIMESTAMP_SECONDS
    for asker in askers:
        asker.join(max(0.0, deadline - time.monotonic()))
    return ['%s %s' % (server, outcomes.get(server, 'gave no answer within %d s' % TIMESTAMP_SECONDS))
            for server in servers if outcomes.get(server) != '']


def _timestamp_problem(server: str) -> str | None:
    """None when `server` answers a timestamp request with a timestamp, else
    what it did."""
    request = urllib.request.Request(server, data=_timestamp_request(), headers={
        'Content-Type': 'application/timestamp-query', 'Accept': 'application/timestamp-reply'})
    try:
        with urllib.request.urlopen(request, timeout=TIMESTAMP_SECONDS) as answer:
            status = _granted(answer.read())
            if status is None:
                return 'answered (HTTP %d) but not with an RFC 3161 timestamp' % answer.status
            return None if status in (0, 1) else 'refused the timestamp (status %d)' % status
    except urllib.error.HTTPError as error:
        return 'answered HTTP %d %s' % (error.code, error.reason)
    except urllib.error.URLError as error:
        if isinstance(error.reason, TimeoutError):
            return 'gave no answer within %d s' % TIMESTAMP_SECONDS
        return 'could not be reached (%s)' % (getattr(error.reason, 'strerror', None) or error.reason)
    except TimeoutError:
        return 'gave no answer within %d s' % TIMESTAMP_SECONDS
    except OSError as error:
        return 'could not be reached (%s)' % (error.strerror or error)


# An RFC 3161 TimeStampReq in DER: version 1, the SHA-256 of a fixed text as
# the message imprint, a nonce, and certReq TRUE, as signing asks.
_SHA256_ALGORITHM = bytes.fromhex('300d 0609 608648016503040201 0500')


def _timestamp_request() -> bytes:
    imprint = _SHA256_ALGORITHM + b'\x04\x20' + hashlib.sha256(b'Ostrivane timestamp check').digest()
    body = (b'\x02\x01\x01' + b'\x30' + bytes([len(imprint)]) + imprint +
            b'\x02\x08' + bytes([secrets.randbits(7)]) + secrets.token_bytes(7) + b'\x01\x01\xff')
    return b'\x30' + bytes([len(body)]) + body


def _granted(answer: bytes) -> int | None:
    """The PKIStatus of a DER TimeStampResp (0 granted, 1 granted with
    modifications), or None when `answer` is not one: SEQUENCE { SEQUENCE {
    INTEGER status, ...}, token }."""
    at = 0
    for tag in (0x30, 0x30):
        content = _der_content(answer, at, tag)
        if content is None:
            return None
        at = content
    if answer[at:at + 2] != b'\x02\x01':
        return None
    return answer[at + 2] if len(answer) > at + 2 else None


def _der_content(data: bytes, at: int, tag: int) -> int | None:
    """Where the content of the DER item at `at` starts, if its tag is `tag`."""
    if len(data) < at + 2 or data[at] != tag:
        return None
    length = data[at + 1]
    return at + 2 + (length & 0x7F if length & 0x80 else 0)


def check_signature(exe: str | Path, signer: Signer) -> None:
    """SiteError unless `exe` carries a valid Authenticode signature made
    with the signer's certificate, verified up to a root in the certificate
    file or one the system trusts."""
    with tempfile.TemporaryDirectory() as work:
        roots = Path(work, 'roots.pem')
        roots.write_bytes(b''.join(c.public_bytes(serialization.Encoding.PEM)
                                   for c in _pem_certificates(signer.chain_pem)
                                   if c.subject == c.issuer) +
                          (SYSTEM_ROOTS.read_bytes() if SYSTEM_ROOTS.is_file() else b''))
        outcome = run_bounded(['osslsigncode', 'verify', '-in', exe, '-CAfile', roots,
                               '-TSA-CAfile', roots, '-ignore-cdp',
                               '-require-leaf-hash', 'sha256:' + signer.fingerprint.lower()],
                              SIGNING_SECONDS)
    if not outcome or outcome[0] != 0:
        raise SiteError('the signature of %s does not verify as made with "%s" up to a root in the '
                        'certificate file or one this system trusts: add the issuer\'s root '
                        'certificate to the certificate file (osslsigncode verify says more).'
                        % (Path(exe).name, signer.subject))


# The certificate.

def _read(path: str | Path, name: str) -> bytes:
    try:
        return Path(path).read_bytes()
    except IsADirectoryError:
        raise SiteError('%s "%s" is a folder, not a file.' % (name, path)) from None
    except OSError as error:
        raise SiteError('%s "%s" cannot be read: %s.' % (name, path, error.strerror or error)) from None


def _pem_certificates(data: bytes) -> list[x509.Certificate]:
    blocks = re.findall(rb'-----BEGIN CERTIFICATE-----.+?-----END CERTIFICATE-----', data, re.S)
    return [x509.load_pem_x509_certificate(block) for block in blocks]


def _certificates(path: Path, data: bytes) -> list[x509.Certificate]:
    """The certificates in a PEM file (any number, PKCS#7 too) or a DER file
    (one certificate, or a PKCS#7 chain)."""
    try:
        if b'-----BEGIN PKCS7-----' in data:
            found = pkcs7.load_pem_pkcs7_certificates(data)
        elif b'-----BEGIN' in data:
            found = _pem_certificates(data)
        else:
            try:
                found = [x509.load_der_x509_certificate(data)]
            except ValueError:
                found = pkcs7.load_der_pkcs7_certificates(data)
    except ValueError:
        found = []
    if not found:
        raise SiteError('certificate "%s" is not a PEM or DER certificate.' % path)
    return found


def _is_bundle(data: bytes) -> bool:
    """Whether `data` is a PKCS#12 bundle: a DER sequence whose first item is
    its version, 3."""
    header = 2 + (data[1] & 0x7F if len(data) > 1 and data[1] & 0x80 else 0)
    return data[:1] == b'\x30' and data[header:header + 3] == b'\x02\x01\x03'


def _bundle(path: Path, data: bytes,
            password: str | None) -> tuple['PRIVATE_KEY_TYPES', list[x509.Certificate]]:
    """The key and certificates of a PKCS#12 bundle."""
    if not _is_bundle(data):
        try:
            _certificates(path, data)
        except SiteError:
            raise SiteError('certificate "%s" is neither a certificate nor a PKCS#12 bundle.'
                            % path) from None
        raise SiteError('certificate "%s" is a certificate without its key: give the key as '
                        'key = "...", or a PKCS#12 bundle of both as certificate.' % path)
    attempts: list[bytes | None] = [password.encode()] if password else [None, b'']
    for attempt in attempts:
        with contextlib.suppress(ValueError):
            key, certificate, others = pkcs12.load_key_and_certificates(data, attempt)
            break
    else:
        if not password:
            raise SiteError('certificate "%s" is a PKCS#12 bundle with a password and %s is not set: '
                            'export it with the bundle\'s password.' % (path, PASSWORD_VARIABLE))
        raise SiteError('%s does not hold the password of the PKCS#12 bundle "%s".'
                        % (PASSWORD_VARIABLE, path))
    if key is None or certificate is None:
        raise SiteError('the PKCS#12 bundle "%s" holds no %s.'
                        % (path, 'private key' if key is None else 'certificate'))
    return key, [certificate, *others]


def _chain(path: Path, certificates: list[x509.Certificate], matches: Matches,
           key_name: str) -> list[x509.Certificate]:
    """The certificate of the key, then its issuers in order: every
    certificate in the file must be one of them."""
    certificates = list({c.fingerprint(hashes.SHA256()): c for c in certificates}.values())
    leaves = [c for c in certificates if matches(c)]
    if len(leaves) != 1:
        if len(certificates) == 1:
            raise SiteError('%s is not the private key of the certificate "%s".' % (key_name, path))
        raise SiteError('certificate "%s" holds %s of the %d certificates for %s: keep only the one to '
                        'sign with and its issuers.'
                        % (path, 'none' if not leaves else len(leaves), len(certificates), key_name))
    chain = [leaves[0]]
    rest = [c for c in certificates if c is not leaves[0]]
    while rest and chain[-1].issuer != chain[-1].subject:
        issuer = next((c for c in rest if c.subject == chain[-1].issuer), None)
        if issuer is None:
            break
        chain.append(issuer)
        rest.remove(issuer)
    if rest:
        raise SiteError('certificate "%s": its certificate "%s" is not in the chain of the key\'s '
                        'certificate "%s": leave it out.'
                        % (path, rest[0].subject.rfc4514_string(), chain[0].subject.rfc4514_string()))
    return chain


def _check_use(path: Path, certificate: x509.Certificate) -> None:
    now = datetime.now(timezone.utc)
    not_before, not_after = _utc(certificate, 'not_valid_before'), _utc(certificate, 'not_valid_after')
    dates = 'valid from %s until %s; it is now %s' % (_day(not_before), _day(not_after), _day(now))
    if now > not_after:
        raise SiteError('certificate "%s" has expired (%s).' % (path, dates))
    if now < not_before:
        raise SiteError('certificate "%s" is not valid yet (%s).' % (path, dates))
    # Without the extension a certificate serves every use; with it, Windows
    # trusts the signature only if code signing is among them.
    with contextlib.suppress(x509.ExtensionNotFound):
        usages = certificate.extensions.get_extension_for_class(x509.ExtendedKeyUsage).value
        if not {x509.oid.ExtendedKeyUsageOID.CODE_SIGNING,
                x509.oid.ExtendedKeyUsageOID.ANY_EXTENDED_KEY_USAGE} & set(usages):
            raise SiteError('certificate "%s" is not for signing code: its extended key usage is %s.'
                            % (path, ', '.join(u._name for u in usages)))
    with contextlib.suppress(x509.ExtensionNotFound):
        if not certificate.extensions.get_extension_for_class(x509.KeyUsage).value.digital_signature:
            raise SiteError('certificate "%s" is not for signing: its key usage leaves out digital '
                            'signatures.' % path)


def _warnings(signing: Signing, certificate: x509.Certificate) -> tuple[str, ...]:
    not_after = _utc(certificate, 'not_valid_after')
    warnings = []
    if not signing.timestamp:
        warnings.append('no timestamp server is given: the signature is valid only until the '
                        'certificate expires, %s.' % _day(not_after))
    if not_after - datetime.now(timezone.utc) < EXPIRY_WARNING:
        warnings.append('the certificate expires within %d days, on %s: renew it.'
                        % (EXPIRY_WARNING.days, _day(not_after)))
    return tuple(warnings)


def _trust(chain: list[x509.Certificate]) -> str:
    """Who vouches for the chain's certificate: SELF_SIGNED, PRIVATE_ROOT or PUBLIC."""
    if chain[0].issuer == chain[0].subject:
        return SELF_SIGNED
    top = chain[-1]
    roots = _pem_certificates(SYSTEM_ROOTS.read_bytes()) if SYSTEM_ROOTS.is_file() else []
    known = {(root.subject, _public_der(root.public_key())) for root in roots}
    if (top.subject, _public_der(top.public_key())) in known or any(root.subject == top.issuer for root in roots):
        return PUBLIC
    return PRIVATE_ROOT


def _trust_warnings(chain: list[x509.Certificate], trust: str) -> tuple[str, ...]:
    unknown = ('Windows and SmartScreen will treat the file as from an unknown publisher and warn before '
               'it runs; fine for testing, not for visitors.')
    if trust == SELF_SIGNED:
        return ('the certificate "%s" is self-signed: %s' % (chain[0].subject.rfc4514_string(), unknown),)
    if trust == PRIVATE_ROOT:
        return ('the certificate\'s chain ends at "%s", not at a root that Windows trusts: %s'
                % ((chain[-1].issuer if chain[-1].issuer != chain[-1].subject else chain[-1].subject)
                   .rfc4514_string(), unknown),)
    return ()


def _utc(certificate: x509.Certificate, name: str) -> datetime:
    # cryptography 42 and later name the aware dates *_utc; older ones have
    # only the naive ones, in UTC.
    aware: datetime | None = getattr(certificate, name + '_utc', None)
    return aware or cast(datetime, getattr(certificate, name)).replace(tzinfo=timezone.utc)


def _day(moment: datetime) -> str:
    return moment.strftime('%Y-%m-%d %H:%M:%S UTC')


def _serial(certificate: x509.Certificate) -> str:
    # The serial number's bytes as the certificate holds them (Windows shows
    # them so, with a leading 00 where the number's top bit is set).
    number = certificate.serial_number
    return number.to_bytes(number.bit_length() // 8 + 1, 'big').hex().upper()


# The key.

def _kind(key: object) -> str:
    """The kind of a private key read with `cryptography`, as a refusal
    names it: 'RSA', 'an elliptic-curve (secp256r1)', 'an Ed25519'."""
    if isinstance(key, rsa.RSAPrivateKey):
        return 'RSA'
    if isinstance(key, ec.EllipticCurvePrivateKey):
        return 'an elliptic-curve (%s)' % key.curve.name
    name = type(key).__name__.strip('_').replace('PrivateKey', '')
    return ('an ' if name[:1] in 'AEIOU' else 'a ') + name


def _refuse_unless_rsa(key_name: str, kind: str) -> None:
    """SiteError unless `kind`, that of the key `key_name`, is RSA: Windows
    11's Smart App Control accepts only RSA signatures, and does not start a
    program signed otherwise at all, with no "run anyway"."""
    if kind != 'RSA':
        raise SiteError('%s is %s key, not an RSA key: Windows 11\'s Smart App Control accepts only RSA '
                        'signatures and would not start the program at all. Sign with an RSA key.'
                        % (key_name, kind))


def _public_der(key: 'PUBLIC_KEY_TYPES') -> bytes:
    return key.public_bytes(serialization.Encoding.DER,
                            serialization.PublicFormat.SubjectPublicKeyInfo)


def _same_key(public_key: 'PUBLIC_KEY_TYPES') -> Matches:
    """Whether a certificate is of `public_key`."""
    return lambda certificate: _public_der(certificate.public_key()) == _public_der(public_key)


def _key_file(path: Path, password: str | None) -> 'PRIVATE_KEY_TYPES':
    data = _read(path, 'key')
    try:
        return serialization.load_pem_private_key(data, None)
    except TypeError:  # encrypted
        pass
    except ValueError:
        raise SiteError('key "%s" is not a PEM private key.' % path) from None
    if not password:
        raise SiteError('key "%s" is encrypted and %s is not set: export it with the key\'s password.'
                        % (path, PASSWORD_VARIABLE))
    try:
        return serialization.load_pem_private_key(data, password.encode())
    except ValueError:
        raise SiteError('%s does not hold the password of key "%s".' % (PASSWORD_VARIABLE, path)) from None


# The key on a token, named by an RFC 7512 pkcs11: URI.

_TOKEN_ATTRIBUTES = {'token': 'label', 'manufacturer': 'manufacturerID', 'serial': 'serialNumber',
                     'model': 'model'}


def _uri_attributes(uri: str) -> dict[str, bytes]:
    path, _, query = uri[len('pkcs11:'):].partition('?')
    attributes: dict[str, bytes] = {}
    parts: list[str] = path.split(';') + query.split('&')
    for part in filter(None, parts):
        name, _, value = part.partition('=')
        if name in ('pin-value', 'pin-source'):
            raise SiteError('the key\'s pkcs11: URI holds the token\'s PIN (%s): leave it out of the '
                            'URI and export the PIN as %s.' % (name, PASSWORD_VARIABLE))
        attributes[name] = urllib.parse.unquote_to_bytes(value)
    unknown = set(attributes) - {*_TOKEN_ATTRIBUTES, 'object', 'id', 'type'}
    if unknown:
        raise SiteError('key "%s" names %s, which is not checked here: name the key by token, '
                        'object or id.' % (uri, ', '.join(sorted(unknown))))
    if attributes.get('type', b'private') != b'private':
        raise SiteError('key "%s" names a %s object, not a private key: end it with type=private.'
                        % (uri, attributes['type'].decode(errors='replace')))
    if 'object' not in attributes and 'id' not in attributes:
        raise SiteError('key "%s" names no key: give its object= label or id=.' % uri)
    return attributes


@contextlib.contextmanager
def _quiet() -> Iterator[None]:
    """The C library below PyKCS11 prints why a library did not load on the
    standard output: the refusal says it in one line instead."""
    sys.stdout.flush()
    saved = os.dup(1)
    try:
        with open(os.devnull, 'wb') as null:
            os.dup2(null.fileno(), 1)
        yield
    finally:
        ctypes.CDLL(None).fflush(None)
        os.dup2(saved, 1)
        os.close(saved)


def _pkcs11() -> ModuleType:
    """PyKCS11, which only a key on a token needs: a build or a release
    signed otherwise goes without it."""
    try:
        import PyKCS11
    except ImportError:
        raise SiteError('a key on a token is reached through PyKCS11, which this Python lacks '
                        '(Debian: python3-pykcs11; run scripts/setup-debian.sh).') from None
    return cast(ModuleType, PyKCS11)


def _token_key(signing: Signing, pin: str | None) -> Matches:
    """Whether a certificate is of the key on the token, found by logging in
    with `pin` as signing will."""
    PyKCS11 = _pkcs11()
    # check_signing calls this for a pkcs11: key only.
    uri, module = cast(str, signing.key), signing.pkcs11_module
    attributes = _uri_attributes(uri)
    if module is None:
        raise SiteError('key "%s" is a key on a token: give the token\'s PKCS#11 library as '
                        'pkcs11_module.' % uri)
    _read(module, 'pkcs11_module')
    if not pin:
        raise SiteError('key "%s" is a key on a token and %s is not set: export it with the '
                        'token\'s PIN.' % (uri, PASSWORD_VARIABLE))
    library = PyKCS11.PyKCS11Lib()
    try:
        with _quiet():
            library.load(str(module))
    except PyKCS11.PyKCS11Error:
        raise SiteError('pkcs11_module "%s" is not a PKCS#11 library that loads.' % module) from None
    wanted = {field: attributes[name].decode(errors='replace')
              for name, field in _TOKEN_ATTRIBUTES.items() if name in attributes}
    slots = [slot for slot in library.getSlotList(tokenPresent=True)
             if all(getattr(library.getTokenInfo(slot), field).strip() == value
                    for field, value in wanted.items())]
    if len(slots) != 1:
        raise SiteError('pkcs11_module "%s" reaches %s token that key "%s" names%s.'
                        % (module, 'no' if not slots else 'more than one', uri,
                           '' if not slots else ': give its token= label'))
    session = library.openSession(slots[0])
    try:
        try:
            session.login(pin)
        except PyKCS11.PyKCS11Error as error:
            if error.value == PyKCS11.CKR_PIN_INCORRECT:
                raise SiteError('%s does not hold the PIN of the token of key "%s".'
                                % (PASSWORD_VARIABLE, uri)) from None
            raise SiteError('the token of key "%s" refused the login: %s.'
                            % (uri, PyKCS11.CKR.get(error.value, error.value))) from None
        template = [(PyKCS11.CKA_CLASS, PyKCS11.CKO_PRIVATE_KEY)]
        if 'object' in attributes:
            template.append((PyKCS11.CKA_LABEL, attributes['object'].decode(errors='replace')))
        if 'id' in attributes:
            template.append((PyKCS11.CKA_ID, tuple(attributes['id'])))
        keys = session.findObjects(template)
        if len(keys) != 1:
            raise SiteError('key "%s" names %s private key on its token.'
                            % (uri, 'no' if not keys else 'more than one'))
        return _token_public_key(session, keys[0], uri)
    finally:
        with contextlib.suppress(PyKCS11.PyKCS11Error):
            session.logout()
        session.closeSession()


def _token_public_key(session: 'PyKCS11.Session', key: 'PyKCS11.CK_OBJECT_HANDLE', uri: str) -> Matches:
    """Whether a certificate is of the private key `key` on the token, named
    by `uri`: an RSA key, which shows its modulus and exponent. A key of any
    other kind is refused."""
    PyKCS11 = _pkcs11()
    kind = session.getAttributeValue(key, [PyKCS11.CKA_KEY_TYPE])[0]
    _refuse_unless_rsa('key "%s"' % uri, 'RSA' if kind == PyKCS11.CKK_RSA else _token_kind(kind))
    modulus, exponent = session.getAttributeValue(key, [PyKCS11.CKA_MODULUS, PyKCS11.CKA_PUBLIC_EXPONENT])
    return _same_key(rsa.RSAPublicNumbers(int.from_bytes(bytes(exponent), 'big'),
                                          int.from_bytes(bytes(modulus), 'big')).public_key())


def _token_kind(kind: int) -> str:
    """The kind of a key on a token (its CKA_KEY_TYPE), as a refusal names it."""
    PyKCS11 = _pkcs11()
    if kind == PyKCS11.CKK_EC:
        return 'an elliptic-curve'
    name = str(PyKCS11.CKK.get(kind, kind)).replace('CKK_', '')
    return ('an ' if name[:1] in 'AEIOU' else 'a ') + name


# Running osslsigncode.

def _osslsigncode(command: list[str], what: str, password: str | None) -> None:
    try:
        outcome = run_bounded(command, SIGNING_SECONDS, password)
    except FileNotFoundError:
        raise SiteError('signing needs osslsigncode: run scripts/setup-debian.sh.') from None
    if outcome is None:
        raise SiteError('osslsigncode did not %s within %d s.' % (what, SIGNING_SECONDS))
    if outcome[0] != 0:
        raise SiteError('osslsigncode could not %s; it said: %s'
                        % (what, ' / '.join(line for line in outcome[1].splitlines() if line.strip())))


def _place(source: Path, target: str | Path) -> None:
    target = Path(target)
    target.parent.mkdir(parents=True, exist_ok=True)
    partial = target.with_name(target.name + '.partial')
    shutil.copyfile(source, partial)
    os.replace(partial, target)
