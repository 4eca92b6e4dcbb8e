"""tools/site_icon.py: a site's mark made into the program icon's image."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tools', 'site_icon.py')


class SiteIcon(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.output = os.path.join(self.folder.name, 'icon.dib')

    def tearDown(self):
        self.folder.cleanup()

    def convert(self, image, name='mark.png', **save):
        path = os.path.join(self.folder.name, name)
        image.save(path, **save)
        return subprocess.run([sys.executable, TOOL, path, self.output],
                              capture_output=True, text=True)

    def pixel(self, dib, x, y):
        """(R, G, B, A) and the mask bit of pixel (x, y), top row 0."""
        row = 47 - y  # stored bottom-up
        b, g, r, a = dib[40 + (row * 48 + x) * 4:][:4]
        mask = dib[40 + 9216 + row * 8 + x // 8] >> (7 - x % 8) & 1
        return (r, g, b, a), mask

    def test_a_two_colour_palette_png_becomes_the_48_pixel_image_with_its_mask(self):
        mark = Image.new('P', (96, 96), 0)
        mark.putpalette([0, 0, 0, 200, 30, 40])
        mark.paste(1, (0, 0, 48, 96))  # left half red, right half transparent
        self.assertEqual(self.convert(mark, transparency=0).returncode, 0)
        with open(self.output, 'rb') as f:
            dib = f.read()
        self.assertEqual(len(dib), 9640)
        self.assertEqual(struct.unpack('<IiiHHIIiiII', dib[:40]), (40, 48, 96, 1, 32, 0, 0, 0, 0, 0, 0))
        self.assertEqual(self.pixel(dib, 5, 30), ((200, 30, 40, 255), 0))
        self.assertEqual(self.pixel(dib, 40, 30)[0][3], 0)
        self.assertEqual(self.pixel(dib, 40, 30)[1], 1)
        # The same image always gives the same bytes.
        self.convert(mark, transparency=0)
        with open(self.output, 'rb') as f:
            self.assertEqual(f.read(), dib)

    def test_an_icos_largest_image_is_taken(self):
        mark = Image.new('RGBA', (128, 128), (10, 120, 200, 255))
        self.assertEqual(self.convert(mark, 'mark.ico', sizes=[(16, 16), (128, 128)]).returncode, 0)
        with open(self.output, 'rb') as f:
            self.assertEqual(self.pixel(f.read(), 24, 24), ((10, 120, 200, 255), 0))

    def test_unusable_images_are_refused_by_name_and_reason(self):
        cases = [
            (Image.new('RGB', (64, 48)), 'wide.png', 'is 64 x 48 pixels: the mark must be square'),
            (Image.new('RGB', (47, 47)), 'small.png', 'is 47 x 47 pixels: at least 48 x 48 are needed'),
            (Image.new('RGB', (64, 64)), 'mark.bmp', 'is a BMP image: give a PNG or ICO file'),
        ]
        for image, name, words in cases:
            result = self.convert(image, name)
            self.assertEqual(result.returncode, 1, name)
            self.assertIn('SITE_ICON "%s" %s' % (os.path.join(self.folder.name, name), words),
                          result.stderr)
        not_an_image = os.path.join(self.folder.name, 'text.png')
        with open(not_an_image, 'w') as f:
            f.write('<svg/>')
        for path, words in ((not_an_image, 'is not an image'), (not_an_image + '.gone', 'does not exist')):
            result = subprocess.run([sys.executable, TOOL, path, self.output], capture_output=True, text=True)
            self.assertIn('SITE_ICON "%s" %s' % (path, words), result.stderr)
        self.assertFalse(os.path.exists(self.output), 'a refused image wrote something')


if __name__ == '__main__':
    unittest.main()
