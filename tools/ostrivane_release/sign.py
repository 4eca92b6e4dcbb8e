"""Each edition signed as the site file says; the file as built stays as it
is, the signed copy beside it."""

from collections.abc import Iterator

import ostrivane_site

from .context import Context, Step
from .errors import ReleaseError


def run(context: Context) -> Iterator[str]:
    signing, signer = context.the_site.signing, context.signer
    assert signing and signer, 'the preflight checked the signing material'
    for each in context.builds:
        signed = each.folder / 'signed' / 'Ostrivane.exe'
        try:
            each.timestamp = ostrivane_site.sign(each.unsigned, signed, signing, signer, context.password)
        except ostrivane_site.SiteError as error:
            raise ReleaseError('signing %s: %s' % (each.edition.name, error)) from None
        each.signed = signed
        yield 'signed %s%s' % (each.edition.name, ', timestamped by ' + each.timestamp if each.timestamp
                               else ', without a timestamp')


def skipped(context: Context) -> str | None:
    return None if context.the_site.signing else 'the site file has no [signing]: the files ship as built'


STEP = Step('sign', run, skipped)
