"""Each edition configured afresh in the site's own build folder, with the
site's values only, and built; what it was built with, for the record."""

import hashlib
import os
import re
import shutil
import subprocess
import sys
from collections.abc import Iterator
from pathlib import Path

from ostrivane_site import Site

from .context import SOURCE, Built, Context, Step
from .editions import EDITIONS, Edition
from .errors import BuildError
from .manifest import Toolchain

# What a release builds in each edition's folder, the driver of its run under
# Wine where it is run, and what --verify rebuilds.
RELEASE_TARGETS = ('Ostrivane', 'release_texts')
RUN_TARGETS = ('release_run',)
VERIFY_TARGETS = ('Ostrivane',)


def _first_line(command: list[str], stdin: str = '') -> str:
    try:
        said = subprocess.run(command, input=stdin, capture_output=True, text=True).stdout
    except OSError:
        return ''
    return said.strip().split('\n')[0].strip()


def toolchain(edition: Edition) -> Toolchain:
    """Each tool's own first line of --version, and the MinGW-w64 runtime's
    version as its header defines it."""
    runtime = _first_line([edition.triplet + '-gcc-posix', '-E', '-P', '-'],
                          '#include <_mingw_mac.h>\n__MINGW64_VERSION_STR\n')
    return Toolchain(compiler=_first_line([edition.triplet + '-g++-posix', '--version']),
                     binutils=_first_line([edition.triplet + '-ld', '--version']),
                     mingw=re.sub(r'["\s]', '', runtime))  # "10" "." "0" ...: one string


def build(site: Site, edition: Edition, folder: Path, source: Path, targets: tuple[str, ...]) -> Built:
    """Configures the edition of `source` afresh in `folder` with the site's
    values and this Python, and builds `targets`."""
    shutil.rmtree(folder, ignore_errors=True)
    folder.parent.mkdir(parents=True, exist_ok=True)
    log = folder.with_suffix('.log')
    values = ['-DSITE_HOST=' + site.host.unicode, '-DSITE_BRAND=' + site.brand,
              '-DSITE_ICON=' + (str(site.icon) if site.icon else ''), '-DOSTRIVANE_PYTHON=' + sys.executable]
    with open(log, 'w') as output:
        for step in (['cmake', '--preset', edition.preset, '-B', str(folder), *values],
                     ['cmake', '--build', str(folder), '--target', *targets]):
            if subprocess.run(step, cwd=source, stdout=output, stderr=subprocess.STDOUT).returncode:
                print(log.read_text(errors='replace')[-4000:], file=sys.stderr)
                raise BuildError('%s did not build (the whole output: %s).'
                                 % (edition.name, os.path.relpath(log, SOURCE)))
    made = Built(edition, folder, hashlib.sha256((folder / 'Ostrivane.exe').read_bytes()).hexdigest(),
                 toolchain(edition))
    if 'release_texts' in targets:
        made.caption, made.description = (
            (folder / 'release-texts' / (name + '.utf16')).read_bytes().decode('utf-16-le').split('\0')[0]
            for name in ('caption', 'description'))
    return made


def run(context: Context) -> Iterator[str]:
    for edition in EDITIONS:
        extra = () if edition.arch in context.unrun else RUN_TARGETS
        context.builds.append(build(context.the_site, edition, context.build_root / edition.arch,
                                    context.source, RELEASE_TARGETS + extra))
        yield 'configured and built %s' % edition.name


STEP = Step('build', run)
