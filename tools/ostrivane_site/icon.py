"""The site's mark made into the program icon's one image, with Pillow.

The mark is a square PNG (any bit depth, palette, grey or RGBA) or ICO file,
at least 48 x 48 pixels and at most MAX_PIXELS pixels; an ICO's largest
image is taken. The result is the 48 x 48, 32-bit image with its 8-bit alpha
channel and the AND mask made from it, 9,640 bytes, as the resource script
embeds it (see dib.py). The same image always gives the same
bytes."""

import warnings
from pathlib import Path

from PIL import Image, UnidentifiedImageError

from .dib import SIZE, Pixel, dib_bytes

from .errors import SiteError

# The default mark, drawn by tools/make_icon.py.
DEFAULT_ICON = Path(__file__).resolve().parents[2] / 'resources' / 'ostrivane-48.dib'

# A mark is read whole into memory: 4096 x 4096 pixels is far more than a
# 48 x 48 icon needs and still small. Pillow checks the size the image's
# header gives (for an ICO, that of the image in it) before it decodes any
# pixel, and refuses a larger one.
MAX_PIXELS = 4096 * 4096
Image.MAX_IMAGE_PIXELS = MAX_PIXELS


def icon_image(path: str | Path, name: str = 'icon') -> bytes:
    """The 9,640-byte image for the mark in `path`, or SiteError naming
    `name` and the file and saying what is wrong with it."""
    try:
        return dib_bytes(_rgba_rows(_load(Path(path))))
    except _Problem as problem:
        raise SiteError('%s "%s" %s.' % (name, path, problem)) from None


class _Problem(Exception):
    pass


def _load(path: Path) -> Image.Image:
    try:
        with open(path, 'rb') as f, warnings.catch_warnings():
            # Pillow only warns between its limit and twice that.
            warnings.simplefilter('error', Image.DecompressionBombWarning)
            image = Image.open(f)
            if image.format not in ('PNG', 'ICO'):
                raise _Problem('is a %s image: give a PNG or ICO file' % image.format)
            _check_size(image)
            image.load()
            _check_size(image)  # an ICO's image may not be the size its header gave
    except FileNotFoundError:
        raise _Problem('does not exist')
    except IsADirectoryError:
        raise _Problem('is a folder, not an image file')
    except PermissionError:
        raise _Problem('cannot be read: permission denied')
    except UnidentifiedImageError:
        raise _Problem('is not an image: give a PNG or ICO file')
    except (Image.DecompressionBombError, Image.DecompressionBombWarning):
        raise _Problem('holds an image of more than %d pixels (4096 x 4096): give a smaller one'
                       % MAX_PIXELS)
    except _Problem:
        raise
    except Exception as error:  # pylint: disable=broad-except
        # A file cut short or malformed: Pillow's decoders raise OSError,
        # ValueError, SyntaxError, EOFError, struct.error and more.
        raise _Problem('is not a readable PNG or ICO image (%s)' % (error or type(error).__name__))
    return image


def _check_size(image: Image.Image) -> None:
    width, height = image.size
    if width != height:
        raise _Problem('is %d x %d pixels: the mark must be square' % (width, height))
    if width < SIZE:
        raise _Problem('is %d x %d pixels: at least %d x %d are needed' % (width, height, SIZE, SIZE))


def _rgba_rows(image: Image.Image) -> list[list[Pixel]]:
    """SIZE rows, top first, of (R, G, B, A) tuples of the image at SIZE x SIZE."""
    if image.mode in ('I', 'I;16', 'I;16B', 'I;16L'):  # 16-bit grey
        image = image.point(lambda value: value / 256).convert('L')
    image = image.convert('RGBA')
    if image.size != (SIZE, SIZE):
        # Pillow weights colours by their alpha when it resamples RGBA, so
        # transparent pixels do not darken the edges.
        image = image.resize((SIZE, SIZE), Image.Resampling.LANCZOS)
    pixels: list[Pixel] = list(image.getdata())
    return [pixels[row * SIZE:(row + 1) * SIZE] for row in range(SIZE)]
