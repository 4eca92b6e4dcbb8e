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
    def convert(self, image, name, **save):
        """The tool's result for `image` saved as `name`, and the image it wrote."""
        with tempfile.TemporaryDirectory() as folder:
            path, output = os.path.join(folder, name), os.path.join(folder, 'icon.dib')
            if image:
                image.save(path, **save)
            result = subprocess.run([sys.executable, TOOL, path, output], capture_output=True, text=True)
            written = open(output, 'rb').read() if os.path.exists(output) else None
            return result.stderr.replace(folder + '/', ''), written

    def pixel(self, dib, x, y):
        """(R, G, B, A) and the mask bit of pixel (x, y), top row 0; rows are stored bottom-up."""
        b, g, r, a = dib[40 + ((47 - y) * 48 + x) * 4:][:4]
        return (r, g, b, a), dib[40 + 9216 + (47 - y) * 8 + x // 8] >> (7 - x % 8) & 1

    def test_a_two_colour_png_and_an_ico_become_the_48_pixel_image_with_its_mask(self):
        mark = Image.new('P', (96, 96), 0)
        mark.putpalette([0, 0, 0, 200, 30, 40])
        mark.paste(1, (0, 0, 48, 96))  # left half red, right half transparent
        _, dib = self.convert(mark, 'mark.png', transparency=0)
        self.assertEqual(len(dib), 9640)
        self.assertEqual(struct.unpack('<IiiHHIIiiII', dib[:40]), (40, 48, 96, 1, 32, 0, 0, 0, 0, 0, 0))
        self.assertEqual(self.pixel(dib, 5, 30), ((200, 30, 40, 255), 0))
        self.assertEqual((self.pixel(dib, 40, 30)[0][3], self.pixel(dib, 40, 30)[1]), (0, 1))
        self.assertEqual(self.convert(mark, 'again.png', transparency=0)[1], dib, 'not the same bytes')
        ico = Image.new('RGBA', (128, 128), (10, 120, 200, 255))
        _, dib = self.convert(ico, 'mark.ico', sizes=[(16, 16), (128, 128)])  # the largest is taken
        self.assertEqual(self.pixel(dib, 24, 24), ((10, 120, 200, 255), 0))

    def test_unusable_images_are_refused_by_name_and_reason_and_nothing_is_written(self):
        for image, name, words in [
                (Image.new('RGB', (64, 48)), 'wide.png', 'is 64 x 48 pixels: the mark must be square'),
                (Image.new('RGB', (47, 47)), 'small.png', 'is 47 x 47 pixels: at least 48 x 48 are needed'),
                (Image.new('RGB', (64, 64)), 'mark.bmp', 'is a BMP image: give a PNG or ICO file'),
                (None, 'gone.png', 'does not exist')]:
            said, written = self.convert(image, name)
            self.assertIn('SITE_ICON "%s" %s.' % (name, words), said)
            self.assertIsNone(written)


if __name__ == '__main__':
    unittest.main()
