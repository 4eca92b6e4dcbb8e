"""The release's steps without a compiler or Wine: its record, --verify's
outcomes, publishing, two releases at once, the error boundary, the
preflight's refusals and the signing material's internals."""

import contextlib
import hashlib
import io
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest
from datetime import datetime, timedelta, timezone
from pathlib import Path

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec, rsa
from cryptography.x509.oid import NameOID

TOOLS = Path(__file__).resolve().parents[2] / 'tools'
sys.path.insert(0, str(TOOLS))
import ostrivane_site  # noqa: E402
from ostrivane_release import manifest, pipeline, preflight, publish, verify  # noqa: E402
from ostrivane_release.context import Built, Context, Options  # noqa: E402
from ostrivane_release.editions import EDITIONS, Edition  # noqa: E402
from ostrivane_release.errors import MissingTool, NotVerified, ReleaseError, SourceError  # noqa: E402
from ostrivane_release.check import mark_sha256  # noqa: E402
from ostrivane_site import signing  # noqa: E402
from ostrivane_site.version import VersionError  # noqa: E402

TOOLCHAIN = manifest.Toolchain('x86_64-w64-mingw32-g++ 12', 'GNU ld 2.40', '10.0.0')


def tiny_exe(marker: bytes) -> bytes:
    """The smallest file pefile reads as a 32-bit Windows executable, ending in `marker`."""
    dos = b'MZ' + bytes(58) + struct.pack('<I', 64)
    header = b'PE\0\0' + struct.pack('<HHIIIHH', 0x14C, 0, 0, 0, 0, 224, 0x102)
    optional = struct.pack('<HBB9I6H4I2H6I', 0x10B, 0, 0, 0, 0, 0, 0, 0, 0, 0x400000, 0x1000, 0x200,
                           6, 1, 0, 0, 6, 1, 0, 0x1000, 0x200, 0, 2, 0, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    return dos + header + optional + bytes(128) + marker


class Folder(unittest.TestCase):
    def setUp(self) -> None:
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.folder = Path(folder.name)

    def site(self, text: str = 'host = "WWW.한빛-Books.Example"\nbrand = "한빛"\n') -> ostrivane_site.Site:
        path = self.folder / 'site.toml'
        path.write_text(text, encoding='utf-8')
        return ostrivane_site.load_site(str(path))


class Release(Folder):
    """A published release of two editions, unsigned, as release.json records it."""

    def setUp(self) -> None:
        super().setUp()
        self.site_now = self.site()
        self.dist = self.folder / 'dist' / self.site_now.host.ascii
        self.dist.mkdir(parents=True)
        records = []
        for edition in EDITIONS:
            data = tiny_exe(edition.arch.encode())
            (self.dist / edition.file('Ostrivane')).write_bytes(data)
            digest = hashlib.sha256(data).hexdigest()
            records.append(manifest.EditionRecord(edition.arch, edition.bits, edition.file('Ostrivane'), digest,
                                                  digest, None, True, 'run once under Wine', [], TOOLCHAIN))
        host = self.site_now.host
        self.record = manifest.Manifest(
            '1.0.0', '2026-12-10 04:00:00 UTC', 'c' * 40, True,
            manifest.SiteRecord(host.ascii, host.unicode, '한빛', 'the default mark', mark_sha256(self.site_now)),
            '한빛 솔루션(v1.0.0)', '한빛 사이트', None, records)
        (self.dist / 'release.json').write_text(self.record.to_json(), encoding='utf-8')
        self.rebuilt: list[str] = []

    def rebuild(self, edition: Edition, commit: str, toolchain: manifest.Toolchain = TOOLCHAIN) -> Built:
        self.rebuilt.append(edition.arch)
        folder = self.folder / 'rebuild' / edition.arch
        folder.mkdir(parents=True, exist_ok=True)
        data = tiny_exe(edition.arch.encode())
        (folder / 'Ostrivane.exe').write_bytes(data)
        return Built(edition, folder, hashlib.sha256(data).hexdigest(), toolchain)

    def verified(self, rebuild: verify.Rebuild | None = None) -> list[str]:
        releases = [verify.load(self.dist, 'dist/x/')]
        list(verify.check_site(self.site_now, releases))
        return list(verify.compare_all(releases, rebuild or self.rebuild))


class RecordAndVerify(Release):
    def test_the_record_reads_back_as_written_and_renders_for_people(self) -> None:
        text = (self.dist / 'release.json').read_text(encoding='utf-8')
        self.assertEqual(manifest.from_json(text, 'release.json'), self.record)
        self.assertIn('"host_unicode": "www.한빛-books.example"', text)
        rendered = manifest.render_text(self.record)
        self.assertIn('Site: https://%s (www.한빛-books.example)\n' % self.site_now.host.ascii, rendered)
        self.assertIn('\nOstrivane-64bit.exe: the 64-bit edition (x86_64)\n', rendered)
        for broken, words in (('{', 'is not JSON'), ('{"format": 2}', 'is not a release record of format 1'),
                              (text.replace('"ran": true', '"ran": "yes"', 1), 'editions[0].ran is not bool'),
                              (text.replace('"brand"', '"Brand"'), 'site has no "brand"')):
            with self.assertRaises(ReleaseError) as caught:
                manifest.from_json(broken, 'release.json')
            self.assertIn(words, str(caught.exception))

    def test_a_release_as_published_verifies_each_edition_with_one_rebuild(self) -> None:
        said = self.verified()
        self.assertEqual(len(said), 2)
        self.assertIn('dist/x/Ostrivane-32bit.exe is the build of commit cccccccccccc, byte for byte', said[0])
        self.assertEqual(self.rebuilt, ['i686', 'x86_64'])

    def test_a_changed_file_an_unnamed_file_and_a_missing_one_are_each_named(self) -> None:
        (self.dist / 'Ostrivane-64bit.exe').write_bytes(tiny_exe(b'changed'))
        (self.dist / 'Ostrivane-setup.exe').write_bytes(tiny_exe(b'other'))
        (self.dist / 'Ostrivane-32bit.exe').unlink()
        with self.assertRaises(NotVerified) as caught:
            self.verified()
        faults = '\n'.join(caught.exception.faults)
        self.assertIn('Ostrivane-64bit.exe differs from the build of its commit with its signature attached, while '
                      'the rebuild is the file release.json recorded before signing: the published file was '
                      'changed after the release.', faults)
        self.assertIn('Ostrivane-setup.exe is not named in release.json', faults)
        self.assertIn('Ostrivane-32bit.exe is named in release.json but not there', faults)

    def test_another_toolchain_is_named_rather_than_the_file_blamed(self) -> None:
        other = manifest.Toolchain('x86_64-w64-mingw32-g++ 14', 'GNU ld 2.40', '12.0.0')
        with self.assertRaises(NotVerified) as caught:
            self.verified(lambda edition, commit: self.rebuild(edition, commit, other))
        self.assertIn('Compiler "x86_64-w64-mingw32-g++ 14" here, "x86_64-w64-mingw32-g++ 12" in the record',
                      caught.exception.faults[0])
        self.assertNotIn('differs from the build', '\n'.join(caught.exception.faults))

    def test_a_site_file_changed_since_the_release_is_named_before_anything_is_built(self) -> None:
        for changed, words in (('host = "www.hanbit.example"\nbrand = "한빛"\n', 'host is "www.hanbit.example"'),
                               ('host = "www.한빛-books.example"\nbrand = "Hanbit"\n', 'brand is "Hanbit", the '
                                                                                      'release\'s "한빛"'),
                               ('host = "www.한빛-books.example"\nbrand = "한빛"\nfile_name = "Hanbit"\n',
                                'file_name is'),
                               ('host = "www.한빛-books.example"\nbrand = "한빛"\nicon = "%s"\n'
                                % (TOOLS.parent / 'tests/data/two-colour-mark.png'), 'icon is not the mark')):
            self.site_now = self.site(changed)
            with self.assertRaises(ReleaseError) as caught:
                self.verified()
            self.assertIn(words, str(caught.exception))
        self.assertEqual(self.rebuilt, [])

    def test_a_release_with_uncommitted_changes_cannot_be_verified(self) -> None:
        text = (self.dist / 'release.json').read_text(encoding='utf-8')
        (self.dist / 'release.json').write_text(text.replace('"source_clean": true', '"source_clean": false'))
        with self.assertRaises(SourceError) as caught:
            self.verified()
        self.assertIn('made with uncommitted changes', str(caught.exception))


class Publishing(Folder):
    def staged(self, name: str) -> tuple[Path, Path]:
        staging, target = self.folder / '.host.new', self.folder / 'host'
        staging.mkdir()
        (staging / 'release.txt').write_text(name)
        return staging, target

    def test_a_release_replaces_the_previous_one_whole_by_exchange_or_by_two_renames(self) -> None:
        staging, target = self.staged('first')
        publish.publish(staging, target)
        for swap in (publish.exchange, lambda one, other: False):
            staging, _ = self.staged('next')
            publish.publish(staging, target, swap)
            self.assertEqual((target / 'release.txt').read_text(), 'next')
            self.assertEqual(sorted(p.name for p in self.folder.iterdir()), ['host'])

    def test_a_publish_that_fails_leaves_the_previous_release_in_place(self) -> None:
        staging, target = self.staged('first')
        publish.publish(staging, target)
        with self.assertRaises(OSError):
            publish.publish(self.folder / '.host.missing', target, lambda one, other: False)
        self.assertEqual((target / 'release.txt').read_text(), 'first')


class Boundary(Folder):
    def context(self) -> Context:
        context = Context(Options(str(self.folder / 'site.toml')), source=self.folder, dist=self.folder / 'dist')
        context.site = self.site()
        (context.dist / context.the_site.host.ascii).mkdir(parents=True)
        return context

    def test_two_releases_of_one_site_at_once_the_second_refused_in_one_line(self) -> None:
        context = self.context()
        lock = self.folder / 'build' / 'release.lock'
        errors = io.StringIO()
        with pipeline.locked(lock, 'a release of www.example'), contextlib.redirect_stderr(errors):
            def second() -> None:
                with pipeline.locked(lock, 'a release of www.example'):
                    raise AssertionError('the second release ran')
            status = pipeline.boundary(context, second, 'Nothing was published: {dist}.')
        self.assertEqual(status, 1)
        self.assertEqual(errors.getvalue().splitlines(), [
            'release.sh: a release of www.example is running: wait for it to end, then try again.',
            'Nothing was published: dist/%s/ still holds the previous release, unchanged.'
            % context.the_site.host.ascii])

    def test_any_failure_is_one_line_and_a_traceback_only_when_asked(self) -> None:
        for debug in (False, True):
            context = Context(Options('site.toml', debug=debug), source=self.folder, dist=self.folder / 'dist')
            errors = io.StringIO()
            with contextlib.redirect_stderr(errors):
                status = pipeline.boundary(context, lambda: print(dict[str, str]()['toolchain']),
                                           'Nothing was published: {dist}.')
            lines = errors.getvalue().splitlines()
            self.assertEqual(status, 1)
            self.assertTrue(lines[0].startswith("release.sh: KeyError: 'toolchain' (an error of the release"))
            self.assertEqual(lines[-1], 'Nothing was published: dist/ holds no release.')
            self.assertEqual('Traceback (most recent call last):' in lines, debug)


class Preflight(Folder):
    def context(self, site: str) -> Context:
        (self.folder / 'site.toml').write_text(site, encoding='utf-8')
        (self.folder / 'version.txt').write_text('1.0.0\n')
        return Context(Options(str(self.folder / 'site.toml')), source=self.folder)

    def test_a_version_the_build_would_refuse_is_refused_first(self) -> None:
        context = self.context('host = "www.example.org"\n')
        for bad in ('', 'v1.0.1', '1.0', '1.0.70000'):
            (self.folder / 'version.txt').write_text(bad + '\n')
            with self.assertRaises(VersionError):
                list(preflight.site_and_version(context))

    def test_every_missing_tool_is_named_with_its_package(self) -> None:
        context = self.context('host = "www.example.org"\n[signing]\ncertificate = "c.pem"\n')
        list(preflight.site_and_version(context))
        path = os.environ['PATH']
        os.environ['PATH'] = str(self.folder)
        try:
            with self.assertRaises(MissingTool) as caught:
                list(preflight.tools(context))
        finally:
            os.environ['PATH'] = path
        self.assertIn('osslsigncode (package osslsigncode)', str(caught.exception))
        self.assertIn('x86_64-w64-mingw32-g++-posix (package g++-mingw-w64-x86-64-posix)', str(caught.exception))

    def test_uncommitted_changes_stop_a_release_unless_let_go_and_then_the_record_knows(self) -> None:
        context = self.context('host = "www.example.org"\n')
        git = ['git', '-C', str(self.folder), '-c', 'user.name=O', '-c', 'user.email=o@o.invalid']
        subprocess.run(git + ['init', '-q'], check=True)
        subprocess.run(git + ['add', '-A'], check=True)
        subprocess.run(git + ['commit', '-qm', 'sources'], check=True)
        self.assertIn('with no uncommitted change', ''.join(preflight.checkout(context)))
        (self.folder / 'version.txt').write_text('1.0.1\n')
        with self.assertRaises(SourceError) as caught:
            list(preflight.checkout(context))
        self.assertIn('uncommitted changes (version.txt)', str(caught.exception))
        self.assertIn('--allow-dirty', str(caught.exception))
        context = Context(Options(context.options.site_file, allow_dirty=True), source=self.folder)
        list(preflight.checkout(context))
        self.assertFalse(context.clean)


def certificate(subject: str, key: rsa.RSAPrivateKey | ec.EllipticCurvePrivateKey,
                issuer: x509.Certificate | None = None,
                issuer_key: rsa.RSAPrivateKey | ec.EllipticCurvePrivateKey | None = None) -> x509.Certificate:
    now = datetime.now(timezone.utc)
    name = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, subject)])
    return (x509.CertificateBuilder().subject_name(name)
            .issuer_name(issuer.subject if issuer else name).public_key(key.public_key())
            .serial_number(x509.random_serial_number()).not_valid_before(now - timedelta(days=1))
            .not_valid_after(now + timedelta(days=90))
            .sign(issuer_key or key, hashes.SHA256()))


# Made once: an RSA key takes a while.
KEYS = [rsa.generate_private_key(65537, 2048) for _ in range(3)]


class SigningMaterial(Folder):
    def pem(self, name: str, *items: x509.Certificate | rsa.RSAPrivateKey | ec.EllipticCurvePrivateKey) -> Path:
        data = b''
        for item in items:
            data += item.public_bytes(serialization.Encoding.PEM) if isinstance(item, x509.Certificate) else \
                item.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                   serialization.NoEncryption())
        (self.folder / name).write_bytes(data)
        return self.folder / name

    def checked(self, chain: Path, key: Path) -> signing.Signer:
        return signing.check_signing(ostrivane_site.Signing(chain, str(key), None, ('http://t.example',)), None)

    def test_a_chain_in_any_order_is_put_leaf_first_and_who_vouches_is_said(self) -> None:
        root_key, leaf_key, stranger_key = KEYS
        root = certificate('Test root', root_key)
        leaf = certificate('Hanbit Books', leaf_key, root, root_key)
        signer = self.checked(self.pem('chain.pem', root, leaf), self.pem('key.pem', leaf_key))
        self.assertEqual(signer.subject, 'CN=Hanbit Books')
        self.assertTrue(signer.chain_pem.startswith(leaf.public_bytes(serialization.Encoding.PEM)))
        self.assertEqual(signer.trust, signing.PRIVATE_ROOT)
        self.assertIn('chain ends at "CN=Test root", not at a root that Windows trusts', signer.warnings[-1])
        alone = self.checked(self.pem('self.pem', root), self.pem('root-key.pem', root_key))
        self.assertEqual(alone.trust, signing.SELF_SIGNED)
        self.assertIn('"CN=Test root" is self-signed: Windows and SmartScreen will treat', alone.warnings[-1])
        stranger = certificate('Someone else', stranger_key)
        with self.assertRaises(ostrivane_site.SiteError) as caught:
            self.checked(self.pem('foreign.pem', leaf, root, stranger), self.pem('key.pem', leaf_key))
        self.assertIn('its certificate "CN=Someone else" is not in the chain', str(caught.exception))

    def test_a_key_that_is_not_rsa_is_refused(self) -> None:
        key = ec.generate_private_key(ec.SECP256R1())
        with self.assertRaises(ostrivane_site.SiteError) as caught:
            self.checked(self.pem('ec.pem', certificate('EC', key)), self.pem('ec-key.pem', key))
        self.assertIn('is an elliptic-curve (secp256r1) key, not an RSA key', str(caught.exception))

    def test_a_truncated_or_foreign_timestamp_reply_is_no_timestamp(self) -> None:
        granted = bytes.fromhex('3009 3003 020100 3002 0500')
        self.assertEqual(signing._granted(granted), 0)
        for reply in (granted[:5], granted[:2], b'', b'<html>'):
            self.assertIsNone(signing._granted(reply), reply)


class Editions(unittest.TestCase):
    def test_the_presets_and_the_scripts_table_are_the_ones_the_editions_table_makes(self) -> None:
        import editions
        with open(TOOLS.parent / 'CMakePresets.json', encoding='utf-8') as presets:
            self.assertEqual(json.load(presets), editions.presets(),
                             'write it anew: tools/editions.py presets >CMakePresets.json')
        self.assertEqual((TOOLS.parent / 'scripts' / 'editions.txt').read_text(), editions.shell(),
                         'write it anew: tools/editions.py shell >scripts/editions.txt')


if __name__ == '__main__':
    unittest.main()
