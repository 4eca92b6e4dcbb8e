"""Each file that ships checked against the site file: the version record,
the icon, the texts, and the signature."""

import functools
import hashlib
from collections.abc import Iterator

import ostrivane_site
from ostrivane_site import Site, executable

from .context import Built, Context, Step
from .errors import CheckError


@functools.cache
def mark_image(site: Site) -> bytes:
    """The 48 x 48 image of the site's mark, made once: each edition's check
    and the record compare against the same bytes."""
    return ostrivane_site.icon_image(site.icon) if site.icon else ostrivane_site.DEFAULT_ICON.read_bytes()


def mark_sha256(site: Site) -> str:
    return hashlib.sha256(mark_image(site)).hexdigest()


def check_built(context: Context, each: Built) -> None:
    site, exe = context.the_site, each.shipped
    data = exe.read_bytes()
    faults = []
    wanted = executable.program_strings(context.the_version.record)
    if executable.version_strings(exe) != wanted:
        faults.append('its version record is not %s' % wanted)
    if executable.icon_image(exe) != mark_image(site):
        faults.append('its icon is not the image of %s' % ('the site\'s mark' if site.icon else 'the default mark'))
    version = context.the_version.caption
    if not each.caption.startswith(site.brand) or not each.caption.endswith(version):
        faults.append('its caption "%s" does not begin with the brand and end in %s' % (each.caption, version))
    for text in (each.caption, each.description, site.brand, site.host.ascii, site.host.unicode):
        if text.encode('utf-16-le') not in data:
            faults.append('it does not hold "%s"' % text)
    if faults:
        raise CheckError('%s does not match the site file: %s.' % (each.edition.name, '; '.join(faults)))
    if context.signer:
        ostrivane_site.check_signature(exe, context.signer)


def run(context: Context) -> Iterator[str]:
    for each in context.builds:
        check_built(context, each)
        yield 'checked %s: version record, icon, caption and description%s' % (
            each.edition.name, ', signature' if context.signer else '')


STEP = Step('check', run)
