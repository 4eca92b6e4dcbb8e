"""The site's rules at their edges: host, brand, mark, the site file, and what configure writes."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib
from collections.abc import Callable
from pathlib import Path
from typing import Any, TypeVar

from PIL import Image

TOOLS = Path(__file__).resolve().parents[1] / 'tools'
sys.path.insert(0, str(TOOLS))
import ostrivane_site as site  # noqa: E402
from ostrivane_site import version  # noqa: E402

NFD_HANBIT = '\u1112\u1161\u11ab\u1107\u1175\u11be'
Value = TypeVar('Value')


class Rules(unittest.TestCase):
    def setUp(self) -> None:
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.folder = Path(folder.name)

    def saved(self, name: str, data: str | bytes | None = None, image: Image.Image | None = None,
              **save: Any) -> Path:
        path = self.folder / name
        if image:
            image.save(path, **save)
        elif data is not None:
            path.write_bytes(data.encode() if isinstance(data, str) else data)
        return path

    def assertRefused(self, check: Callable[[Value], object], value: Value, *words: str) -> None:
        with self.assertRaises((site.SiteError, version.VersionError), msg=repr(value)) as caught:
            check(value)
        said = str(caught.exception)
        for word in words:
            self.assertIn(word, said)
        # One line that cannot reorder itself, and no PIN, whatever the value held.
        self.assertFalse(set(said) & {'\n', '\r', '\u2028', '\u202e', '\u061c'}, said)
        self.assertNotIn('97531', said)


class HostRules(Rules):
    def test_hosts_are_folded_converted_and_given_in_both_forms(self) -> None:
        longest = '.'.join(['b' * 61] * 3 + ['b' * 55])  # 241: <host>.url.~12345678 is 255
        for given, ascii, unicode in [
                ('WWW.Hanbit-Books.Example', 'www.hanbit-books.example', 'www.hanbit-books.example'),
                ('www.한빛.kr', 'www.xn--xx3br43b.kr', 'www.한빛.kr'),
                ('WWW.한빛-Books.Example', 'www.xn---books-vz1zb06k.example', 'www.한빛-books.example'),
                ('XN--BJ0BJ06E.example', 'xn--bj0bj06e.example', '한글.example'),
                ('ｗｗｗ．example。org', 'www.example.org', 'www.example.org'),
                ('1.2.3.example', '1.2.3.example', '1.2.3.example'),
                ('a' * 63 + '.example', 'a' * 63 + '.example', 'a' * 63 + '.example'),
                (longest, longest, longest)]:
            self.assertEqual(site.check_host(given), site.Host(ascii, unicode), given)

    def test_what_is_no_plain_host_name_is_refused_saying_why(self) -> None:
        for host, words in [
                ('', 'it is empty'),
                ('https://www.trelvik.example', 'scheme'),
                ('www.trelvik.example/path', 'slash'),
                ('www\\trelvik.example', 'backslash'),
                ('www.trelvik.example:8443', 'no port'),
                ('www.trelvik.example\r\nURL=https://evil.example', 'line break'),
                ('www.trelvik .example', 'space'),
                ('www_trelvik.example', 'it contains an underscore (_), which a host name cannot hold'),
                ('www.\u061c.example', 'U+061C ARABIC LETTER MARK'),
                ('localhost', 'single label'),
                ('192.168.1.1', "last label '1' is all digits"),
                ('www.trelvik.example.', 'empty label'),
                ('www..example', 'empty label'),
                ('-www.trelvik.example', 'label "-www" starts or ends with \'-\''),
                ('a' * 64 + '.example', '64 characters long; at most 63'),
                ('.'.join(['b' * 61] * 3 + ['b' * 56]), '242 characters long; at most 241'),
                ('xn--zz.example', 'label "xn--zz" is not valid as an A-label (xn--)'),
                ('www.xn--a.example', 'label "xn--a" is not valid as an A-label'),
                ('www.ab--cd.example', 'label "ab--cd" is not valid as a label in IDNA 2008')]:
            self.assertRefused(site.check_host, host, 'is not a plain fully qualified host name: ', words)


class BrandRules(Rules):
    def test_any_script_is_taken_and_composed(self) -> None:
        for brand in ['Trelvik', '한빛', 'Hanbit Books', 'Ōtsuka', '日本語ブランド', 'W' * 24, '한' * 12,
                      '\U0001F469\u200d\U0001F4BB', 'می\u200cخواهم']:
            self.assertEqual(site.check_brand(brand), brand)
        self.assertEqual(site.check_brand(NFD_HANBIT), '한빛')

    def test_what_would_break_the_caption_is_refused_naming_the_character(self) -> None:
        for brand, words in [
                ('', 'is empty'),
                (' Trelvik', 'starts or ends with a space'),
                ('한빛\u3000', 'starts or ends with a space'),
                ('Trel\nvik', 'line break (U+000A)'),
                ('Trel\u2028vik', 'line break (U+2028 LINE SEPARATOR)'),
                ('Trel\x07vik', 'control character (U+0007)'),
                ('Trel\u202evik', 'formatting character, which can reorder or hide the text around it '
                                  '(U+202E RIGHT-TO-LEFT OVERRIDE)'),
                ('Trel\u061cvik', '(U+061C ARABIC LETTER MARK)'),
                ('Trel\ue000', 'private-use character (U+E000)'),
                ('Trel\u0378', 'unassigned code point (U+0378)'),
                ('Trel\udcff', 'is not valid UTF-8 text'),
                ('W' * 25, '25 characters (25 columns) long; at most 24 columns'),
                ('한' * 13, '13 characters (26 columns)')]:
            self.assertRefused(site.check_brand, brand, 'cannot be the brand word: it ', words)


def png_header_only(width: int, height: int) -> bytes:
    """A PNG whose header claims width x height, with next to no pixels behind it."""
    def chunk(kind: bytes, body: bytes) -> bytes:
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(b'\0' * 64)) + chunk(b'IEND', b''))


class MarkRules(Rules):
    def pixel(self, dib: bytes, x: int, y: int) -> tuple[tuple[int, int, int, int], int]:
        """(R, G, B, A) and the mask bit of pixel (x, y), top row 0; rows are stored bottom-up."""
        b, g, r, a = dib[40 + ((47 - y) * 48 + x) * 4:][:4]
        return (r, g, b, a), dib[40 + 9216 + (47 - y) * 8 + x // 8] >> (7 - x % 8) & 1

    def test_a_png_and_an_ico_become_the_48_pixel_image_with_its_mask(self) -> None:
        mark = Image.new('P', (96, 96), 0)
        mark.putpalette([0, 0, 0, 200, 30, 40])
        mark.paste(1, (0, 0, 48, 96))  # left half red, right half transparent
        dib = site.icon_image(self.saved('mark.png', image=mark, transparency=0))
        self.assertEqual(struct.unpack('<IiiHHIIiiII', dib[:40]), (40, 48, 96, 1, 32, 0, 0, 0, 0, 0, 0))
        self.assertEqual((len(dib), self.pixel(dib, 5, 30)), (9640, ((200, 30, 40, 255), 0)))
        self.assertEqual((self.pixel(dib, 40, 30)[0][3], self.pixel(dib, 40, 30)[1]), (0, 1))
        self.assertEqual(site.icon_image(self.saved('again.png', image=mark, transparency=0)), dib)
        ico = Image.new('RGBA', (128, 128), (10, 120, 200, 255))
        dib = site.icon_image(self.saved('mark.ico', image=ico, sizes=[(16, 16), (128, 128)]))  # the largest
        self.assertEqual(self.pixel(dib, 24, 24), ((10, 120, 200, 255), 0))

    def test_unusable_images_are_refused_in_one_line_naming_the_file(self) -> None:
        huge = png_header_only(20000, 20000)
        # An ICO holding a PNG of that size: only the PNG's own header says so.
        ico = struct.pack('<HHHBBBBHHII', 0, 1, 1, 0, 0, 0, 0, 1, 32, len(huge), 22) + huge
        for name, data, image, words in [
                ('wide.png', None, Image.new('RGB', (64, 48)), 'is 64 x 48 pixels: the mark must be square'),
                ('small.png', None, Image.new('RGB', (47, 47)), 'is 47 x 47 pixels: at least 48 x 48'),
                ('mark.bmp', None, Image.new('RGB', (64, 64)), 'is a BMP image: give a PNG or ICO file'),
                ('huge.png', huge, None, 'holds an image of more than 16777216 pixels (4096 x 4096)'),
                ('huge.ico', ico, None, 'holds an image of more than 16777216 pixels'),
                ('cut.png', png_header_only(64, 64), None, 'is not a readable PNG or ICO image'),
                ('text.png', 'not a picture', None, 'is not an image'),
                ('gone.png', None, None, 'does not exist'),
                ('.', None, None, 'is a folder')]:
            path = self.saved(name, data, image)
            self.assertRefused(site.icon_image, path, 'icon "%s" %s' % (path, words))


class SiteFile(Rules):
    def loaded(self, text: str) -> site.Site:
        return site.load_site(self.saved('site.toml', text))

    def test_a_whole_site_file_with_paths_relative_to_it(self) -> None:
        Image.new('RGBA', (48, 48), 'navy').save(self.folder / 'hanbit.png')
        self.assertEqual(self.loaded(
            'host = "WWW.한빛.kr"\nbrand = "%s"\nicon = "hanbit.png"\n[signing]\ncertificate = "keys/c.pem"\n'
            'key = "keys/k.pem"\ntimestamp = "http://ts.example"\n' % NFD_HANBIT), site.Site(
                file=self.folder / 'site.toml', host=site.Host('www.xn--xx3br43b.kr', 'www.한빛.kr'),
                brand='한빛', icon=self.folder / 'hanbit.png', signing=site.Signing(
                    certificate=self.folder / 'keys/c.pem', key=str(self.folder / 'keys/k.pem'),
                    pkcs11_module=None, timestamp=('http://ts.example',))))
        token = self.loaded('host = "www.trelvik.example"\n[signing]\ncertificate = "/c.pem"\n'
                            'key = "pkcs11:token=t;object=k"\npkcs11_module = "/lib/p11.so"\n')
        assert token.signing is not None
        self.assertEqual((token.brand, token.icon, token.signing.key, token.signing.pkcs11_module),
                         ('Trelvik', None, 'pkcs11:token=t;object=k', Path('/lib/p11.so')))
        self.assertIsNone(self.loaded('host = "www.trelvik.example"\n').signing)

    def test_anything_the_site_file_does_not_know_is_refused_by_name(self) -> None:
        host, signing = 'host = "www.trelvik.example"\n', '[signing]\ncertificate = "c.pem"\n'
        for text, words in [
                ('hots = "www.trelvik.example"\n', 'unknown key hots (did you mean host?)'),
                (host + '[singing]\ncertificate = "c.pem"\n', 'unknown section [singing] (did you mean signing?)'),
                (host + signing + 'timestmap = "http://t.example"\n', 'unknown key signing.timestmap (did you mean'),
                ('brand = "한빛"\n', 'host is missing'),
                (host + 'brand = 7\n', 'brand is not a string'),
                ('host = "www.trelvik.example\n', 'is not valid TOML'),
                ('host = "xn--zz.example"\n', 'host "xn--zz.example" is not a plain fully qualified host name'),
                (host + 'icon = "gone.png"\n', 'icon "gone.png" does not exist in the site file\'s folder "%s"'
                 % self.folder),
                (host + '[signing]\nkey = "k.pem"\n', '[signing] has no certificate'),
                (host + signing + 'key = "pkcs11:token=t;pin-value=97531"\n', 'give the token\'s PKCS#11 library'),
                (host + signing + 'pkcs11_module = "p11.so"\n', 'but signing.key is not a key on a token'),
                (host + signing + 'timestamp = ["ftp://t.example"]\n', '"ftp://t.example" is not an http://')]:
            self.assertRefused(self.loaded, text, 'site file "%s' % self.folder, words)


class VersionRules(Rules):
    def test_the_forms_the_caption_and_the_record_carry_and_versions_they_cannot(self) -> None:
        for text, forms in (('1.0.0', ('(v1.0.0)', '1.00', (1, 0, 0, 0))),
                            ('1.2.3', ('(v1.2.3)', '1.02.3', (1, 2, 3, 0)))):
            got = version.parse_version(text)
            self.assertEqual((got.caption, got.record, got.numbers), forms)
        for text, words in (('', 'is not three numbers'), ('v1.0.1', 'is not three numbers'),
                            ('1.0', 'is not three numbers'), ('1.100.0', 'the minor version'),
                            ('65536.0.0', 'in 16 bits'), ('1.0.70000', 'in 16 bits'),
                            ('1.0.99999999999999999999', 'in 16 bits')):
            self.assertRefused(version.parse_version, text, words)
        self.assertRefused(version.read_version, self.saved('version.txt', '1.0\n'),
                           'version.txt: "1.0" is not three numbers', 'and commit it')


class Configure(Rules):
    def configure(self, host: str, brand: str) -> subprocess.CompletedProcess[str]:
        return subprocess.run([sys.executable, str(TOOLS / 'configure_site.py'), str(self.folder), host, brand, '',
                               str(TOOLS.parent / 'version.txt')], capture_output=True, text=True)

    def test_configure_writes_the_composed_brand_or_nothing_at_all(self) -> None:
        refused = self.configure('www.trelvik.example', 'Trel\u061cvik')
        self.assertEqual((refused.returncode, refused.stderr.count('\n')), (1, 1))
        self.assertIn('SITE_BRAND "Trel\\u061Cvik" cannot be the brand word', refused.stderr)
        self.assertEqual(os.listdir(self.folder), [])
        self.assertEqual(self.configure('www.trelvik.example', NFD_HANBIT).returncode, 0)
        self.assertIn('OSTRIVANE_SITE_BRAND L"\\uD55C\\uBE5B"\n', (self.folder / 'site_brand.h').read_text())


if __name__ == '__main__':
    unittest.main()
