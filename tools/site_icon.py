#!/usr/bin/env python3
"""Turn a site's mark into the program icon's one image.

Usage: site_icon.py IMAGE OUTPUT

IMAGE is a square PNG (any bit depth, palette, grey or RGBA) or ICO file, at
least 48 x 48 pixels; an ICO's largest image is taken. OUTPUT receives the
48 x 48, 32-bit image with its 8-bit alpha channel and the AND mask made from
it, 9,640 bytes, as the resource script embeds it (see make_icon.py). The
same image always gives the same bytes. OUTPUT is replaced in one step, and
only when its bytes change.

What is wrong with IMAGE is said on one line, naming the file, with exit
code 1; nothing is written then.
"""

import os
import sys

from make_icon import SIZE, dib_bytes


class Refused(Exception):
    pass


def load(path):
    try:
        from PIL import Image, UnidentifiedImageError
    except ImportError:
        raise Refused('reading it needs Pillow, the Python imaging library '
                      '(Debian: python3-pil; run scripts/setup-debian.sh)')
    try:
        with open(path, 'rb') as f:
            image = Image.open(f)
            image.load()
    except FileNotFoundError:
        raise Refused('does not exist')
    except IsADirectoryError:
        raise Refused('is a folder, not an image file')
    except UnidentifiedImageError:
        raise Refused('is not an image: give a PNG or ICO file')
    except OSError as error:  # unreadable, or an image cut short
        raise Refused('cannot be read: %s' % (error.strerror or error))
    except (ValueError, SyntaxError) as error:
        raise Refused('is not a readable image (%s): give a PNG or ICO file' % error)
    if image.format not in ('PNG', 'ICO'):
        raise Refused('is a %s image: give a PNG or ICO file' % image.format)
    width, height = image.size
    if width != height:
        raise Refused('is %d x %d pixels: the mark must be square' % (width, height))
    if width < SIZE:
        raise Refused('is %d x %d pixels: at least %d x %d are needed'
                      % (width, height, SIZE, SIZE))
    return image


def rgba_rows(image):
    """SIZE rows, top first, of (R, G, B, A) tuples of the image at SIZE x SIZE."""
    from PIL import Image
    if image.mode in ('I', 'I;16', 'I;16B', 'I;16L'):  # 16-bit grey
        image = image.point(lambda value: value / 256).convert('L')
    image = image.convert('RGBA')
    if image.size != (SIZE, SIZE):
        # Pillow weights colours by their alpha when it resamples RGBA, so
        # transparent pixels do not darken the edges.
        resampling = getattr(Image, 'Resampling', Image)
        image = image.resize((SIZE, SIZE), resampling.LANCZOS)
    pixels = list(image.getdata())
    return [pixels[row * SIZE:(row + 1) * SIZE] for row in range(SIZE)]


def write_if_changed(path, data):
    try:
        with open(path, 'rb') as f:
            if f.read() == data:
                return
    except OSError:
        pass
    partial = path + '.partial'
    with open(partial, 'wb') as f:
        f.write(data)
    os.replace(partial, path)


def main(argv):
    if len(argv) != 3:
        sys.exit('usage: site_icon.py IMAGE OUTPUT')
    source, output = argv[1], argv[2]
    try:
        image = dib_bytes(rgba_rows(load(source)))
    except Refused as problem:
        sys.exit('SITE_ICON "%s" %s.' % (source, problem))
    write_if_changed(output, image)


if __name__ == '__main__':
    main(sys.argv)
