"""The checks that need no build, in the order a release makes them and
--check makes them alone: each refusal is one line, in seconds."""

import os
import shutil
import subprocess
from collections.abc import Iterator

import ostrivane_site
from ostrivane_site.signing import PASSWORD_VARIABLE
from ostrivane_site.version import read_version

from .context import Context, Step
from .editions import EDITIONS
from .errors import MissingTool, ReleaseError, SourceError

WINE_EDITIONS = 'scripts/wine-editions.sh'


def site_and_version(context: Context) -> Iterator[str]:
    context.version = read_version(context.source / 'version.txt')
    site = context.site = ostrivane_site.load_site(context.options.site_file)
    yield ('read version.txt and the site file: Ostrivane %s for https://%s, brand %s, %s, %s'
           % (context.version.text, site.host.ascii, site.brand,
              'the site\'s mark' if site.icon else 'the default mark',
              'signed' if site.signing else 'unsigned'))


def needed_tools(context: Context) -> dict[str, str]:
    """{program: the Debian package that brings it} for every program the
    release will call."""
    tools = {'cmake': 'cmake', 'ninja': 'ninja-build', 'git': 'git'}
    for edition in EDITIONS:
        tools.update({edition.triplet + '-g++-posix': edition.compiler_package,
                      edition.triplet + '-windres': edition.binutils_package,
                      edition.triplet + '-objcopy': edition.binutils_package})
    if context.the_site.signing:
        tools['osslsigncode'] = 'osslsigncode'
    if len(context.options.unchecked) < len(EDITIONS):
        tools.update({'Xvfb': 'xvfb', 'wineserver': 'wine'})
    return tools


def tools(context: Context) -> Iterator[str]:
    wanted = needed_tools(context)
    missing = ['%s (package %s)' % (program, package) for program, package in wanted.items()
               if not shutil.which(program)]
    if missing:
        raise MissingTool('the release calls %s, which %s not installed: run scripts/setup-debian.sh, or '
                          'install %s.' % (', '.join(missing), 'is' if len(missing) == 1 else 'are',
                                           'it' if len(missing) == 1 else 'them'))
    yield 'found the %d programs the release calls' % len(wanted)


def _git(context: Context, *command: str) -> subprocess.CompletedProcess[str]:
    return subprocess.run(['git', '-C', str(context.source), *command], capture_output=True, text=True)


def checkout(context: Context) -> Iterator[str]:
    """The commit the release is made from; SourceError where a tracked file
    differs from it, unless the operator lets it go (the record says so)."""
    top = _git(context, 'rev-parse', '--show-toplevel')
    head = _git(context, 'rev-parse', '--verify', '--quiet', 'HEAD^{commit}')
    allow = context.options.allow_dirty
    if top.returncode or head.returncode or \
            os.path.realpath(top.stdout.strip()) != os.path.realpath(context.source):
        if not allow:
            raise SourceError('%s is not a git checkout, so the release could never be verified against its '
                              'source: release from a clone, or give --allow-dirty to release anyway.'
                              % context.source.name)
        context.clean = False
        yield 'not a git checkout: released anyway (--allow-dirty); the record says so'
        return
    context.commit = head.stdout.strip()
    changed = [line[3:] for line in _git(context, 'status', '--porcelain', '--untracked-files=no')
               .stdout.splitlines() if line.strip()]
    context.clean = not changed
    if changed and not allow:
        shown = ', '.join(changed[:5]) + (' and %d more' % (len(changed) - 5) if len(changed) > 5 else '')
        raise SourceError('the checkout has uncommitted changes (%s), so the release could never be verified '
                          'against its source: commit them (git commit -a) or put them aside (git stash), '
                          'or give --allow-dirty to release anyway.' % shown)
    yield 'the checkout is commit %s%s' % (context.commit[:12], ', with uncommitted changes (--allow-dirty): '
                                           'the record says so' if changed else ', with no uncommitted change')


def signing(context: Context) -> Iterator[str]:
    site = context.the_site
    assert site.signing
    context.password = os.environ.get(PASSWORD_VARIABLE) or None
    signer = context.signer = ostrivane_site.check_signing(site.signing, context.password)
    yield 'checked the signing material: signed by "%s" (%s)' % (signer.subject, signer.trust)
    for warning in signer.warnings:
        context.warn(warning)


def unsigned(context: Context) -> str | None:
    return None if context.the_site.signing else 'the site file has no [signing]'


def timestamps(context: Context) -> Iterator[str]:
    signing = context.the_site.signing
    assert signing
    failures = ostrivane_site.check_timestamps(signing.timestamp)
    if len(failures) == len(signing.timestamp):
        raise ReleaseError('no timestamp server gives a timestamp: %s. Try again later, or add another server '
                           'to the list.' % '; '.join(failures))
    yield ('asked each timestamp server for a timestamp: %d of %d gave one'
           % (len(signing.timestamp) - len(failures), len(signing.timestamp)))
    for failure in failures:
        context.warn('timestamp server %s; signing tries the servers in order, so it may wait for it first.'
                     % failure)


def no_timestamps(context: Context) -> str | None:
    signing = context.the_site.signing
    return None if signing and signing.timestamp else 'the site file names no timestamp server'


def wine(context: Context) -> Iterator[str]:
    """Which editions Wine runs here; an edition it cannot run stops the
    release unless --unchecked lets it ship unrun."""
    found = subprocess.run([str(context.source / WINE_EDITIONS)], capture_output=True, text=True)
    runnable = found.stdout.split()
    said = ' / '.join(line.strip() for line in found.stderr.splitlines() if line.strip())
    missing = [e for e in EDITIONS if e.arch not in runnable]
    refused = [e for e in missing if e.arch not in context.options.unchecked]
    if refused:
        raise ReleaseError(
            '%s would ship without ever having been run. %s. Make it runnable as said there, or give %s to '
            'release it unrun (the screen and the record then say so).'
            % (' and '.join(e.name for e in refused).capitalize(),
               said or 'Wine cannot run it here; scripts/wine-editions.sh says no more',
               ' '.join('--unchecked ' + e.arch for e in refused)))
    context.unrun = {e.arch: said for e in missing}
    yield 'checked that Wine runs %s here%s' % (
        ' and '.join(e.name for e in EDITIONS if e.arch not in context.unrun) or 'no edition',
        ''.join('; %s will not be run (--unchecked %s)' % (e.name, e.arch) for e in missing))


STEPS = (Step('site', site_and_version), Step('tools', tools), Step('checkout', checkout),
         Step('signing', signing, unsigned), Step('timestamps', timestamps, no_timestamps), Step('wine', wine))
