"""scripts/release.sh: releases one site, both editions; checks everything a
release needs that needs no build (--check); verifies a published release
against its source (--verify). --help says how."""

import argparse
import os
import shlex
import shutil
import sys
from pathlib import Path

from ostrivane_site.file_names import SHORTCUT_EXTENSION

from . import build, check, preflight, publish, sign, stage, verify, wine_run
from .context import Context, Options
from .editions import ARCHES, EDITIONS
from .errors import NotVerified
from .pipeline import Progress, boundary, locked, run_steps

# What a release does after the preflight, in order.
AFTER_PREFLIGHT = (build.STEP, sign.STEP, check.STEP, wine_run.STEP, stage.STEP, publish.STEP)

DESCRIPTION = """\
Releases one site, both editions of Ostrivane, into dist/<host>/: built
afresh from a committed checkout, signed as the site file says, checked,
run once under Wine, and published whole with release.json, release.txt,
SHA256SUMS and the screenshots of each run, or not at all. The password of
the signing key or bundle, or the token's PIN, comes from
OSTRIVANE_SIGN_PASSWORD. Start from a copy of sites/example.toml."""

EPILOG = """\
examples:
  scripts/release.sh --check sites/hanbit.toml
  scripts/release.sh sites/hanbit.toml
  scripts/release.sh --unchecked i686 sites/hanbit.toml
  scripts/release.sh --verify sites/hanbit.toml

On a machine whose Wine cannot run the 32-bit edition (--check says so),
--unchecked i686 releases it unrun, and the record says so.
OSTRIVANE_NO_32BIT=1 treats this machine as one that runs no 32-bit
programs, as the tests do."""


def parse(argv: list[str]) -> argparse.Namespace:
    parser = argparse.ArgumentParser(
        prog='scripts/release.sh', description=DESCRIPTION, epilog=EPILOG,
        formatter_class=argparse.RawDescriptionHelpFormatter,
        usage='%(prog)s [--check] [--unchecked EDITION]... [--allow-dirty] [--debug] SITE.toml\n'
              '       %(prog)s --verify [--debug] SITE.toml [RELEASE_FOLDER]...')
    mode = parser.add_mutually_exclusive_group()
    mode.add_argument('--check', action='store_true',
                      help='make every check that needs no build (version.txt, the site file, the tools, the '
                           'checkout, the signing material with its password or PIN, one request to each '
                           'timestamp server, whether Wine can run each edition here), say what a release '
                           'would make and where, and the command that makes it; build nothing')
    mode.add_argument('--verify', action='store_true',
                      help='compare the site file with the published release.json, then rebuild the commit '
                           'it names in a scratch clone and show that each published executable is that '
                           'build with its signature attached; reads the release from dist/<host>/, or each '
                           'RELEASE_FOLDER (copies of it, one rebuild for all), and changes nothing there')
    parser.add_argument('--unchecked', metavar='EDITION', action='append', default=[], choices=ARCHES,
                        help='release EDITION (%s) even where Wine cannot run it here; the screen and the '
                             'record then say it was not run' % ' or '.join(ARCHES))
    parser.add_argument('--allow-dirty', action='store_true',
                        help='release from a checkout with uncommitted changes; the record says so, and such '
                             'a release can never be verified')
    parser.add_argument('--debug', action='store_true', help='show the traceback of a failure')
    parser.add_argument('site', metavar='SITE.toml', help='the site file')
    parser.add_argument('release_folders', metavar='RELEASE_FOLDER', nargs='*',
                        help='with --verify: the published release, if not dist/<host>/')
    arguments = parser.parse_args(argv[1:])
    if arguments.release_folders and not arguments.verify:
        parser.error('RELEASE_FOLDER is for --verify only')
    if arguments.verify and (arguments.unchecked or arguments.allow_dirty):
        parser.error('--unchecked and --allow-dirty are for a release or --check, not --verify')
    return arguments


def release_command(context: Context) -> str:
    """The command that makes the release --check has checked."""
    options = context.options
    words = ['scripts/release.sh'] + ['--unchecked %s' % arch for arch in ARCHES if arch in context.unrun]
    words += ['--allow-dirty'] if options.allow_dirty else []
    return ' '.join(words + [shlex.quote(os.path.relpath(options.site_file))])


def report_check(context: Context) -> None:
    site, target = context.the_site, context.target
    name = stage.file_name(context)
    print('Version: %s' % context.the_version.text)
    print('Host: %s (ASCII: the shortcut\'s URL and icon), %s (Unicode: the shortcut\'s name %s%s)'
          % (site.host.ascii, site.host.unicode, site.host.unicode, SHORTCUT_EXTENSION))
    print('Files: %s' % ', '.join('%s (%s)' % (e.file(name), e.name) for e in EDITIONS))
    print('Destination: dist/%s/, %s' % (target.name, 'which holds a previous release that a release replaces'
                                         if target.exists() else 'which does not exist yet'))
    print('Nothing was built. Release with: %s' % release_command(context))


def release(context: Context, progress: Progress) -> None:
    for _ in preflight.site_and_version(context):  # said by the first line instead
        pass
    site = context.the_site
    print('%s Ostrivane %s for https://%s (site file %s): %s, %s%s'
          % ('Checking the release of' if context.options.check else 'Releasing', context.the_version.text,
             site.host.ascii, site.file.name, ' and '.join(e.name for e in EDITIONS),
             'signed' if site.signing else 'unsigned', '; nothing is built' if context.options.check else ''),
          flush=True)
    if not site.signing:
        context.warn('the release is not signed: Windows and SmartScreen warn before they run an unsigned download.')
    run_steps(preflight.STEPS[1:], context, progress)
    if context.options.check:
        report_check(context)
        return
    with locked(context.build_root / 'release.lock', 'a release of %s' % site.host.ascii):
        run_steps(AFTER_PREFLIGHT, context, progress)
    for note in context.notes:
        context.warn(note)
    if not context.clean:
        context.warn('released from a checkout with uncommitted changes (--allow-dirty): it cannot be verified.')
    print('Released: dist/%s/ (release.txt says what it is; screenshots/ shows what a visitor sees).'
          % site.host.ascii, flush=True)


def verify_release(context: Context, progress: Progress, folders: list[str]) -> None:
    run_steps(preflight.STEPS[:1], context, progress)
    site = context.the_site
    shown = [(Path(os.path.abspath(f)), Path(f).resolve().name + '/') for f in folders] or \
        [(context.target, 'dist/%s/' % site.host.ascii)]
    releases = [verify.load(folder, name) for folder, name in shown]
    for line in verify.check_site(site, releases):
        progress.done(line)
    scratch = context.source / 'build' / 'verify' / site.host.ascii
    with locked(scratch.with_name(scratch.name + '.lock'), 'a verification of %s' % site.host.ascii):
        shutil.rmtree(scratch, ignore_errors=True)
        for line in verify.compare_all(releases, verify.rebuilder(site, context.source, scratch, progress.done)):
            progress.done(line)
        shutil.rmtree(scratch, ignore_errors=True)
    print('Verified: each published executable is the build of its recorded commit and toolchain.')


def main(argv: list[str]) -> int:
    arguments = parse(argv)
    context = Context(Options(site_file=arguments.site, check=arguments.check,
                              unchecked=frozenset(arguments.unchecked), allow_dirty=arguments.allow_dirty,
                              debug=arguments.debug))
    progress = Progress()
    if arguments.verify:
        def verifying() -> None:
            try:
                verify_release(context, progress, arguments.release_folders)
            except NotVerified as failed:
                for fault in failed.faults:
                    print('release.sh: %s' % fault, file=sys.stderr)
                print('The release does NOT verify against its source; --verify only reads it, so it is as it '
                      'was.', file=sys.stderr)
                raise SystemExit(1) from None
        return boundary(context, verifying, 'The release was not verified; --verify only reads it, so it is as '
                                            'it was.')
    if arguments.check:
        return boundary(context, lambda: release(context, progress),
                        'Put right what is said above and run scripts/release.sh --check again.')
    return boundary(context, lambda: release(context, progress),
                    'Nothing was published: {dist}. Put right what is said above and run scripts/release.sh '
                    'again.')
