#!/usr/bin/env python3
"""Releases one site, both editions; checks a site file before anything is
built; verifies a published release against its source. Run as
scripts/release.sh (--help says how).

A release, in this order, one line of progress per step with its time:
  1. the checks that need no build, which --check makes alone: the whole
     site file, the signing material with its password or PIN, one
     timestamp request to each timestamp server, and whether Wine can run
     each edition here;
  2. configure each edition afresh in the site's own build folders,
     build/release/<host>/i686 and x86_64, and build it;
  3. sign each;
  4. check what was built against the site file: the version record, the
     icon, the caption and the description, the signature, and one run of
     the very file that ships under Wine (unless --unchecked lets an edition
     Wine cannot run here go unrun), its screenshots kept;
  5. write the checksums and the record, release.txt, into a staging folder;
  6. publish: the staging folder becomes dist/<host>/ in one step.
On any failure nothing is published: dist/<host>/ keeps the previous release
byte for byte, and the command says so and exits 1. The password or PIN
comes from OSTRIVANE_SIGN_PASSWORD and is never shown.

--verify rebuilds the commit the published release.txt names, in a scratch
clone under build/verify/<host>/, and compares each published executable
with that build, its signature attached; it only reads the release.
"""

import argparse
import contextlib
import ctypes
import errno
import fcntl
import functools
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from collections.abc import Iterator
from dataclasses import dataclass, field
from datetime import datetime, timezone
from pathlib import Path

import ostrivane_site
from PIL import Image
from ostrivane_site import executable
from ostrivane_site.file_names import SHORTCUT_EXTENSION
from ostrivane_site.processes import run_bounded
from ostrivane_site.signing import PASSWORD_VARIABLE, SIGNING_SECONDS

SOURCE = Path(__file__).resolve().parents[1]
DIST = SOURCE / 'dist'
WINE_SESSION = SOURCE / 'scripts' / 'wine-session.sh'
WINE_EDITIONS = SOURCE / 'scripts' / 'wine-editions.sh'
VERSION_FILE = SOURCE / 'version.txt'
# Starting a Wine session, and one run of the program in it, take seconds;
# these only bound a session that hangs.
WINE_START_SECONDS = 180
WINE_RUN_SECONDS = 120
# What a release builds in each edition's folder (and, for an edition it runs
# under Wine, the driver of that run), and what --verify rebuilds.
RELEASE_TARGETS = ('Ostrivane', 'release_texts')
RUN_TARGETS = ('release_run',)
VERIFY_TARGETS = ('Ostrivane',)
# The toolchain, as release.json gives it and release.txt names it.
TOOLCHAIN = {'compiler': 'Compiler', 'binutils': 'Binutils', 'mingw-w64': 'MinGW-w64 runtime'}

DESCRIPTION = """\
Releases one site, both editions of Ostrivane.exe, into dist/<host>/: built
afresh, signed as the site file says, checked, and published whole, or not
at all. The password of the signing key or bundle, or the token's PIN,
comes from OSTRIVANE_SIGN_PASSWORD. Start from a copy of sites/example.toml."""

EPILOG = """\
examples:
  scripts/release.sh --check sites/hanbit.toml
  scripts/release.sh sites/hanbit.toml
  scripts/release.sh --unchecked i686 sites/hanbit.toml
  scripts/release.sh --verify sites/hanbit.toml

OSTRIVANE_NO_32BIT=1 treats this machine as one that runs no 32-bit
programs, as the tests do: the 32-bit edition then needs --unchecked i686."""


@dataclass(frozen=True)
class Edition:
    arch: str    # the toolchain's and Wine's name: i686, x86_64
    bits: str
    folder: str  # where it lands in dist/<host>/

    @property
    def name(self) -> str:
        return 'the %s edition (%s)' % (self.bits, self.arch)

    @property
    def file(self) -> str:
        return self.folder + 'Ostrivane.exe'


EDITIONS = (Edition('i686', '32-bit', ''), Edition('x86_64', '64-bit', 'x64/'))


@dataclass
class Build:
    edition: Edition
    folder: Path
    versions: dict           # release.json: version, caption, record, toolchain
    texts: dict[str, str] = field(default_factory=dict)  # the caption and description the program makes
    unsigned_sha256: str = ''
    shipped: Path | None = None  # the file that ships: signed, or as built
    timestamp: str | None = None  # the server whose timestamp it carries
    wine_run: str = ''       # how it was run, or why it was not
    screenshots: list[Path] = field(default_factory=list)


@dataclass(frozen=True)
class Plan:
    """What the checks before any build found: what a release goes ahead with."""
    site: ostrivane_site.Site
    signer: ostrivane_site.Signer | None
    password: str | None
    unrun: dict[str, str]  # edition -> why Wine cannot run it here, as the probe said


class Progress:
    """One line per step, with the time the step took."""

    def __init__(self) -> None:
        self.since = time.monotonic()

    def done(self, what: str) -> None:
        now = time.monotonic()
        print('%6.1f s  %s' % (now - self.since, what), flush=True)
        self.since = now


def parse(argv: list[str]) -> argparse.Namespace:
    parser = argparse.ArgumentParser(
        prog='scripts/release.sh', description=DESCRIPTION, epilog=EPILOG,
        formatter_class=argparse.RawDescriptionHelpFormatter,
        usage='%(prog)s [--check] [--unchecked EDITION]... SITE.toml\n'
              '       %(prog)s --verify SITE.toml [RELEASE_FOLDER]...')
    mode = parser.add_mutually_exclusive_group()
    mode.add_argument('--check', action='store_true',
                      help='make every check that needs no build (the site file, the mark, the signing '
                           'material with its password or PIN, one request to each timestamp server, '
                           'whether Wine can run each edition here) and say what a release would '
                           'make and where; build nothing')
    mode.add_argument('--verify', action='store_true',
                      help='rebuild the commit that the published release.txt names, in a scratch clone '
                           'of this repository with the site file\'s values, and show that each published '
                           'executable is that build with its signature attached; reads the release '
                           'from dist/<host>/, or each RELEASE_FOLDER (copies of it, one rebuild for all), '
                           'and changes nothing there')
    parser.add_argument('--unchecked', metavar='EDITION', action='append', default=[],
                        choices=[e.arch for e in EDITIONS],
                        help='release EDITION (i686 or x86_64) even where Wine cannot run it here; the '
                             'screen and release.txt then say it was not run')
    parser.add_argument('site', metavar='SITE.toml', help='the site file')
    parser.add_argument('release_folders', metavar='RELEASE_FOLDER', nargs='*',
                        help='with --verify: the published release, if not dist/<host>/')
    arguments = parser.parse_args(argv[1:])
    if arguments.release_folders and not arguments.verify:
        parser.error('RELEASE_FOLDER is for --verify only')
    if arguments.verify and arguments.unchecked:
        parser.error('--unchecked is for a release or --check, not --verify')
    return arguments


def main(argv: list[str]) -> int:
    arguments = parse(argv)
    if arguments.verify:
        return verify_main(arguments)
    progress = Progress()
    target = None
    try:
        site = ostrivane_site.load_site(arguments.site)
        target = DIST / site.host.ascii
        print('%s Ostrivane %s for https://%s (site file %s): %s, %s%s'
              % ('Checking the release of' if arguments.check else 'Releasing', program_version(),
                 site.host.ascii, site.file.name, ' and '.join(e.name for e in EDITIONS),
                 'signed' if site.signing else 'unsigned', '; nothing is built' if arguments.check else ''),
              flush=True)
        plan = prepare(site, arguments.unchecked, progress)
        if arguments.check:
            report_check(plan, target)
            return 0
        folder = SOURCE / 'build' / 'release' / site.host.ascii
        with locked(folder, 'a release of %s' % site.host.ascii):
            release(plan, folder, progress)
    except (ostrivane_site.SiteError, executable.Refused, OSError, KeyboardInterrupt) as error:
        print('release.sh: %s' % (str(error) or 'interrupted.'), file=sys.stderr)
        if arguments.check:
            print('Put right what is said above and run scripts/release.sh --check again.', file=sys.stderr)
        else:
            print('Nothing was published: %s. Put right what is said above and run scripts/release.sh '
                  'again.' % dist_now(target), file=sys.stderr)
        return 1
    return 0


def dist_now(target: Path | None) -> str:
    """What dist/ holds now, for the line that says nothing was published."""
    if target is not None:
        if target.exists():
            return 'dist/%s/ still holds the previous release, unchanged' % target.name
        return 'dist/ holds no release of this site'
    releases = sorted(p.name for p in DIST.iterdir() if p.is_dir() and not p.name.startswith('.')) \
        if DIST.is_dir() else []
    if releases:
        return 'dist/ still holds, unchanged, the releases of %s' % ', '.join(releases)
    return 'dist/ holds no release'


def program_version() -> str:
    """The version the release stamps, from version.txt, its one place."""
    try:
        return VERSION_FILE.read_text().split('\n')[0].strip()
    except OSError as error:
        raise ostrivane_site.SiteError('%s cannot be read: %s' % (VERSION_FILE.name, error.strerror)) from None


@contextlib.contextmanager
def locked(folder: Path, what: str) -> Iterator[None]:
    """Holds `folder`'s lock, or SiteError when another run holds it."""
    folder.mkdir(parents=True, exist_ok=True)
    with open(folder / 'release.lock', 'w') as lock:
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            raise ostrivane_site.SiteError('%s is running.' % what) from None
        yield


# The checks that need no build.

def prepare(site: ostrivane_site.Site, unchecked: list[str], progress: Progress) -> Plan:
    """Every check a release makes before it builds: SiteError at the first
    that fails."""
    password = os.environ.get(PASSWORD_VARIABLE) or None
    signer = ostrivane_site.check_signing(site.signing, password) if site.signing else None
    progress.done('checked the site file%s: https://%s, brand %s, %s'
                  % (' and the signing material' if signer else '', site.host.ascii, site.brand,
                     'signed by "%s"' % signer.subject if signer else 'unsigned'))
    for warning in signer.warnings if signer else ['the release is not signed: Windows warns '
                                                   'before it runs an unsigned download.']:
        print('warning: ' + warning, flush=True)
    if site.signing and site.signing.timestamp:
        servers = site.signing.timestamp
        failures = ostrivane_site.check_timestamps(servers)
        if len(failures) == len(servers):
            raise ostrivane_site.SiteError(
                'no timestamp server gives a timestamp: %s. Try again later, or add another server to '
                'the list.' % '; '.join(failures))
        progress.done('asked each timestamp server for a timestamp: %d of %d gave one'
                      % (len(servers) - len(failures), len(servers)))
        for failure in failures:
            print('warning: timestamp server %s; signing tries the servers in order, so it may wait '
                  'for it first.' % failure, flush=True)
    unrun = wine_check(unchecked)
    runs = [e.name for e in EDITIONS if e.arch not in unrun]
    progress.done('checked that Wine runs %s here%s' % (
        ' and '.join(runs) or 'no edition', ''.join('; %s will not be run (--unchecked %s): %s'
                                                    % (e.name, e.arch, unrun[e.arch])
                                                    for e in EDITIONS if e.arch in unrun)))
    return Plan(site, signer, password, unrun)


def wine_check(unchecked: list[str]) -> dict[str, str]:
    """{edition: why Wine cannot run it here} for the editions --unchecked
    lets go unrun; SiteError for any other edition Wine cannot run."""
    found = subprocess.run([WINE_EDITIONS], capture_output=True, text=True)
    runnable = found.stdout.split()
    said = ' / '.join(line.strip() for line in found.stderr.splitlines() if line.strip())
    missing = [e for e in EDITIONS if e.arch not in runnable]
    refused = [e for e in missing if e.arch not in unchecked]
    if refused:
        raise ostrivane_site.SiteError(
            '%s would ship without ever having been run. %s. Make it runnable as said there, or give '
            '%s to release it unrun (the screen and release.txt then say so).'
            % (' and '.join(e.name for e in refused).capitalize(),
               said or 'Wine cannot run it here; scripts/wine-editions.sh says no more',
                          ' '.join('--unchecked ' + e.arch for e in refused)))
    return {e.arch: said for e in missing}


def source_commit(source: Path) -> str:
    """The commit `source` is checked out at, ", with uncommitted changes"
    where a tracked file differs from it; or why there is none."""
    def git(*command: str) -> subprocess.CompletedProcess:
        return subprocess.run(['git', '-C', str(source), *command], capture_output=True, text=True)
    if not shutil.which('git'):
        return 'none: git is not installed on the machine that made it'
    top = git('rev-parse', '--show-toplevel')
    head = git('rev-parse', '--verify', '--quiet', 'HEAD^{commit}')
    if top.returncode or head.returncode or Path(top.stdout.strip()).resolve() != source.resolve():
        return 'none: not made from a git checkout'
    changes = git('status', '--porcelain', '--untracked-files=no')
    return head.stdout.strip() + (', with uncommitted changes' if changes.stdout.strip() else '')


def report_check(plan: Plan, target: Path) -> None:
    site = plan.site
    print('Version: %s' % program_version())
    print('Host: %s (ASCII: the shortcut\'s URL and icon), %s (Unicode: the shortcut\'s name %s%s)'
          % (site.host.ascii, site.host.unicode, site.host.unicode, SHORTCUT_EXTENSION))
    print('Source commit: %s' % source_commit(SOURCE))
    print('Destination: dist/%s/, %s' % (target.name, 'which holds a previous release that a release replaces'
                                         if target.exists() else 'which does not exist yet'))
    print('Nothing was built. Run scripts/release.sh without --check to release.')


# The release.

def release(plan: Plan, folder: Path, progress: Progress) -> None:
    site, signer = plan.site, plan.signer
    builds = []
    for edition in EDITIONS:
        run = () if edition.arch in plan.unrun else RUN_TARGETS
        builds.append(build(site, edition, folder / edition.arch, SOURCE, RELEASE_TARGETS + run))
        progress.done('configured and built %s' % edition.name)
    for each in builds:
        if signer and site.signing:
            signed = each.folder / 'signed' / 'Ostrivane.exe'
            try:
                each.timestamp = ostrivane_site.sign(each.folder / 'Ostrivane.exe', signed,
                                                     site.signing, signer, plan.password)
            except ostrivane_site.SiteError as error:
                raise ostrivane_site.SiteError('signing %s: %s' % (each.edition.name, error)) from None
            each.shipped = signed
            progress.done('signed %s%s' % (each.edition.name, ', timestamped by ' + each.timestamp
                                           if each.timestamp else ', without a timestamp'))
        else:
            each.shipped = each.folder / 'Ostrivane.exe'
    for each in builds:
        check_built(site, each, signer)
        if each.edition.arch in plan.unrun:
            each.wine_run = ('not run: Wine could not run the %s edition on the machine that built it '
                             '(released with --unchecked %s)' % (each.edition.bits, each.edition.arch))
        else:
            each.screenshots = run_under_wine(site, each)
            each.wine_run = 'run once under Wine: the shortcut, the message box and the window'
        progress.done('checked %s: version record, icon, caption and description%s; %s'
                      % (each.edition.name, ', signature' if signer else '', each.wine_run))
    staging = DIST / ('.%s.new' % site.host.ascii)
    try:
        stage(site, signer, builds, staging)
        progress.done('wrote the checksums and release.txt')
        publish(staging, DIST / site.host.ascii)
    finally:
        shutil.rmtree(staging, ignore_errors=True)
    progress.done('published dist/%s/: %s' % (site.host.ascii, ', '.join(
        [e.file for e in EDITIONS] + [e.file + '.sha256' for e in EDITIONS] + ['SHA256SUMS', 'release.txt'])))
    for each in builds:
        if each.screenshots:
            print('Screenshots of %s under Wine: %s' % (each.edition.name, ', '.join(
                os.path.relpath(shot, SOURCE) for shot in each.screenshots)))
    for each in builds:
        if each.edition.arch in plan.unrun:
            print('warning: %s was published without having been run: %s' % (each.edition.name,
                                                                             plan.unrun[each.edition.arch]))
    # The program carries no manifest: Windows' installer detection takes a
    # 32-bit one so named for an installer and starts it elevated.
    print('Publish each file under a name without "setup", "install", "update" or "patch": Windows would '
          'take the program for an installer and ask for administrator rights to start it.', flush=True)


# Building.

def build(site: ostrivane_site.Site, edition: Edition, folder: Path, source: Path,
          targets: tuple[str, ...]) -> Build:
    """Configures the edition of `source` afresh in `folder`, with the site's
    values only, and builds `targets`."""
    shutil.rmtree(folder, ignore_errors=True)
    log = folder.with_suffix('.log')
    values = ['-DSITE_HOST=' + site.host.unicode, '-DSITE_BRAND=' + site.brand,
              '-DSITE_ICON=' + (str(site.icon) if site.icon else '')]
    with open(log, 'w') as output:
        for step in (['cmake', '--preset', 'mingw-%s-release' % edition.arch, '-B', str(folder), *values],
                     ['cmake', '--build', str(folder), '--target', *targets]):
            if subprocess.run(step, cwd=source, stdout=output, stderr=subprocess.STDOUT).returncode:
                print(log.read_text(errors='replace')[-4000:], file=sys.stderr)
                raise ostrivane_site.SiteError('%s did not build (the whole output: %s).'
                                               % (edition.name, os.path.relpath(log, SOURCE)))
    made = Build(edition, folder, json.loads((folder / 'release.json').read_text()))
    made.unsigned_sha256 = hashlib.sha256((folder / 'Ostrivane.exe').read_bytes()).hexdigest()
    if 'release_texts' in targets:
        made.texts = {name: (folder / 'release-texts' / (name + '.utf16')).read_bytes()
                      .decode('utf-16-le').split('\0')[0] for name in ('caption', 'description')}
    return made


# Checking what was built.

def check_built(site: ostrivane_site.Site, each: Build, signer: ostrivane_site.Signer | None) -> None:
    """SiteError unless the file that ships is what the site file says."""
    assert each.shipped
    exe = each.shipped
    wanted = {'ProductName': 'Ostrivane', 'FileVersion': each.versions['record'],
              'ProductVersion': each.versions['record'], 'InternalName': 'Ostrivane',
              'OriginalFilename': 'Ostrivane.exe'}
    data = exe.read_bytes()
    faults = []
    if executable.version_strings(exe) != wanted:
        faults.append('its version record is not %s' % wanted)
    if executable.icon_image(exe) != mark_image(site):
        faults.append('its icon is not the image of %s' % ('the site\'s mark' if site.icon else 'the default mark'))
    for text in (each.texts['caption'], each.texts['description'], site.brand, site.host.ascii,
                 site.host.unicode):
        if text.encode('utf-16-le') not in data:
            faults.append('it does not hold "%s"' % text)
    if faults:
        raise ostrivane_site.SiteError('%s of %s does not match the site file: %s.'
                                       % (each.edition.file, each.edition.name, '; '.join(faults)))
    if signer:
        ostrivane_site.check_signature(exe, signer)


@functools.cache
def mark_image(site: ostrivane_site.Site) -> bytes:
    """The 48 x 48 image of the site's mark, made once per release: each
    edition's check and the record compare against the same bytes."""
    return ostrivane_site.icon_image(site.icon) if site.icon else ostrivane_site.DEFAULT_ICON.read_bytes()


def run_under_wine(site: ostrivane_site.Site, each: Build) -> list[Path]:
    """Runs the file that ships once, in a throwaway Wine session of its own:
    the driver checks its message box, its window and the shortcut it writes
    against the program's own texts and bytes, and this that the desktop
    holds that one shortcut. Returns the screenshots of the box and the
    window, kept in the edition's build folder."""
    assert each.shipped
    session = each.folder / 'wine-run'
    run = session / 'run'
    run.mkdir(parents=True)
    screenshots = each.folder / 'screenshots'
    screenshots.mkdir()
    shutil.copyfile(each.shipped, run / 'Ostrivane.exe')  # the same bytes
    shutil.copyfile(each.folder / 'release_run.exe', run / 'release_run.exe')
    what = 'one run of %s under Wine' % each.edition.name
    try:
        started = run_bounded([WINE_SESSION, 'start', session, '--edition', each.edition.arch],
                              WINE_START_SECONDS)
        if not started or started[0]:
            raise ostrivane_site.SiteError('%s could not start: %s' % (what, started and started[1].strip()))
        # The driver saves the screenshots into a folder it is given by its Windows name.
        named = run_bounded([WINE_SESSION, 'exec', session, 'winepath', '-w', screenshots], WINE_START_SECONDS)
        windows_name = named[1].strip().splitlines()[-1] if named and not named[0] and named[1].strip() else ''
        outcome = run_bounded(['env', 'OSTRIVANE_SCREENSHOTS=' + windows_name, WINE_SESSION, 'exec', session,
                               run / 'release_run.exe'], WINE_RUN_SECONDS)
        if outcome is None:
            raise ostrivane_site.SiteError('%s did not end within %d s.' % (what, WINE_RUN_SECONDS))
        faults = [line[6:] for line in outcome[1].splitlines() if line.startswith('fault=')]
        if outcome[0] and not faults:
            faults.append('the driver ended with exit code %d' % outcome[0])
        shortcuts = [s.name for s in session.glob('prefix/drive_c/users/*/Desktop/*' + SHORTCUT_EXTENSION)]
        if shortcuts != [site.host.unicode + SHORTCUT_EXTENSION]:
            faults.append('the desktop holds %s, not %s%s' % (shortcuts or 'no shortcut', site.host.unicode,
                                                              SHORTCUT_EXTENSION))
        if faults:
            raise ostrivane_site.SiteError('in %s: %s.' % (what, '; '.join(faults)))
    finally:
        run_bounded([WINE_SESSION, 'stop', session], WINE_START_SECONDS)
    kept = []
    for name in ('messagebox', 'form1'):
        bitmap = screenshots / (name + '.bmp')
        if bitmap.exists():
            with Image.open(bitmap) as image:
                image.save(screenshots / (name + '.png'))
            bitmap.unlink()
            kept.append(screenshots / (name + '.png'))
    return kept


# The record and publishing.

def stage(site: ostrivane_site.Site, signer: ostrivane_site.Signer | None, builds: list[Build],
          staging: Path) -> None:
    """The release, whole, in `staging`: each edition's file and checksum,
    release.txt, and SHA256SUMS of every file by its path from the folder."""
    shutil.rmtree(staging, ignore_errors=True)  # what an interrupted release left
    lines = []
    for each in builds:
        assert each.shipped
        target = staging / each.edition.file
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(each.shipped, target)
        digest = hashlib.sha256(target.read_bytes()).hexdigest()
        (target.parent / 'Ostrivane.exe.sha256').write_text('%s  Ostrivane.exe\n' % digest)
        toolchain = each.versions.get('toolchain', {})
        lines += ['', '%s: %s' % (each.edition.file, each.edition.name),
                  '  SHA-256: ' + digest,
                  '  SHA-256 before signing: ' + each.unsigned_sha256,
                  '  Timestamp: ' + (each.timestamp or 'none'),
                  '  Checked: ' + each.wine_run] + [
                  '  %s: %s' % (label, toolchain.get(key) or 'unknown') for key, label in TOOLCHAIN.items()]
    (staging / 'release.txt').write_text('\n'.join(record(site, signer, builds[0]) + lines) + '\n')
    files = sorted(p.relative_to(staging).as_posix() for p in staging.rglob('*') if p.is_file())
    (staging / 'SHA256SUMS').write_text(''.join(
        '%s  %s\n' % (hashlib.sha256((staging / name).read_bytes()).hexdigest(), name) for name in files))


def record(site: ostrivane_site.Site, signer: ostrivane_site.Signer | None, first: Build) -> list[str]:
    """What the release is, with no local path: release.txt's head."""
    mark = mark_image(site)
    head = ['Ostrivane %s for https://%s' % (first.versions['version'], site.host.ascii),
            'Date: ' + datetime.now(timezone.utc).strftime('%Y-%m-%d %H:%M:%S UTC'),
            'Source commit: ' + source_commit(SOURCE),
            'Site: https://%s%s' % (site.host.ascii, ' (%s)' % site.host.unicode
                                    if site.host.unicode != site.host.ascii else ''),
            'Shortcut: %s%s' % (site.host.unicode, SHORTCUT_EXTENSION),
            'Brand: ' + site.brand,
            'Caption: ' + first.texts['caption'],
            'Description: ' + first.texts['description'],
            'Icon: %s, its 48 x 48 image SHA-256 %s' % ('the site\'s mark' if site.icon else 'the default mark',
                                                      hashlib.sha256(mark).hexdigest())]
    if not signer:
        return head + ['Signature: none, the release is unsigned']
    return head + ['Signer: ' + signer.subject,
                   'Issuer: ' + signer.issuer,
                   'Serial number: ' + signer.serial,
                   'Certificate SHA-256: ' + signer.fingerprint,
                   'Valid from: ' + signer.not_before.strftime('%Y-%m-%d %H:%M:%S UTC'),
                   'Valid to: ' + signer.not_after.strftime('%Y-%m-%d %H:%M:%S UTC')] + [
        'Warning: ' + warning for warning in signer.warnings]


def publish(staging: Path, target: Path) -> None:
    """Puts `staging` in the place of `target`, the previous release, in one
    step where the system can swap two folders (Linux's renameat2 with
    RENAME_EXCHANGE): `target` is at every moment the previous release or the
    new one, whole."""
    old = target.with_name('.%s.old' % target.name)
    shutil.rmtree(old, ignore_errors=True)
    if target.exists() and exchange(staging, target):
        shutil.rmtree(staging, ignore_errors=True)  # now the previous release
        return
    previous = target.exists()
    if previous:
        os.rename(target, old)
    # A crash between these two renames leaves no dist/<host>/ at all: the
    # previous release whole in .<host>.old and the new one whole in
    # .<host>.new; the next release of the site replaces both.
    try:
        os.rename(staging, target)
    except OSError:
        if previous:
            os.rename(old, target)
        raise
    shutil.rmtree(old, ignore_errors=True)


def exchange(one: Path, other: Path) -> bool:
    """Swaps the folders `one` and `other` in one step; False where the
    system or the file system cannot."""
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        renameat2 = libc.renameat2
    except (OSError, AttributeError):
        return False
    at_current_folder, rename_exchange = -100, 2
    if renameat2(at_current_folder, os.fsencode(one), at_current_folder, os.fsencode(other),
                 rename_exchange) == 0:
        return True
    code = ctypes.get_errno()
    if code in (errno.EINVAL, errno.ENOSYS, errno.ENOTSUP):
        return False
    raise OSError(code, os.strerror(code), str(other))


# Verifying a published release against its source.

def verify_main(arguments: argparse.Namespace) -> int:
    progress = Progress()
    try:
        site = ostrivane_site.load_site(arguments.site)
        folders = [(Path(os.path.abspath(folder)), Path(folder).resolve().name + '/')
                   for folder in arguments.release_folders] or [(DIST / site.host.ascii, 'dist/%s/' % site.host.ascii)]
        print('Verifying the release of https://%s in %s against its source: each executable rebuilt '
              'from the commit its release.txt names' % (site.host.ascii, ', '.join(shown for _, shown in folders)),
              flush=True)
        scratch = SOURCE / 'build' / 'verify' / site.host.ascii
        with locked(scratch.with_name(scratch.name + '.lock'), 'a verification of %s' % site.host.ascii):
            faults = verify(site, folders, scratch, progress)
    except (ostrivane_site.SiteError, executable.Refused, OSError, KeyboardInterrupt) as error:
        print('release.sh: %s' % (str(error) or 'interrupted.'), file=sys.stderr)
        print('The release was not verified; --verify only reads it, so it is as it was.', file=sys.stderr)
        return 1
    if faults:
        for fault in faults:
            print('release.sh: %s' % fault, file=sys.stderr)
        print('The release does NOT verify against its source; --verify only reads it, so it is as it was.',
              file=sys.stderr)
        return 1
    print('Verified: each published executable is the build of its recorded commit and toolchain.')
    return 0


def read_record(folder: Path, shown: str) -> tuple[dict[str, str], dict[str, dict[str, str]]]:
    """release.txt's head lines and each file's lines, {name: value}."""
    try:
        text = (folder / 'release.txt').read_text(encoding='utf-8')
    except OSError as error:
        raise ostrivane_site.SiteError('%srelease.txt cannot be read: %s.' % (shown, error.strerror)) from None
    head: dict[str, str] = {}
    files: dict[str, dict[str, str]] = {}
    current: dict[str, str] | None = None
    for line in text.splitlines():
        key, _, value = line.strip().partition(': ')
        if not line:
            current = None
        elif current is not None and line.startswith('  '):
            current[key] = value
        elif key in (e.file for e in EDITIONS):
            current = files.setdefault(key, {})
        else:
            head.setdefault(key, value)
    return head, files


def verify(site: ostrivane_site.Site, folders: list[tuple[Path, str]], scratch: Path,
           progress: Progress) -> list[str]:
    """What differs between the releases in `folders` (each with the name it
    is shown by) and the rebuild of their commit, one line each; SiteError
    where one cannot be rebuilt at all. Copies of one release share one
    rebuild of each edition."""
    records = [(folder, shown) + read_record(folder, shown) for folder, shown in folders]
    commits = []
    for _, shown, head, _ in records:
        source = head.get('Source commit', '')
        commit = source.split(',')[0]
        if not re.fullmatch('[0-9a-f]{40}', commit):
            raise ostrivane_site.SiteError('%srelease.txt names no source commit (%s), so there is nothing to '
                                           'rebuild it from.' % (shown, source or 'no "Source commit:" line'))
        if source != commit:
            raise ostrivane_site.SiteError('the release was made from commit %s %s: no commit holds its source, '
                                           'so it cannot be verified.' % (commit, source[len(commit) + 2:]))
        commits.append(commit)
    shutil.rmtree(scratch, ignore_errors=True)
    scratch.mkdir(parents=True)
    faults = []
    rebuilds: dict[tuple[str, str], Build] = {}
    for (folder, shown, _, files), commit in zip(records, commits):
        clone = scratch / commit[:12] / 'source'
        if not clone.exists():
            _clone_at(clone, commit)
            progress.done('cloned this repository into %s at commit %s' % (os.path.relpath(clone, SOURCE), commit))
        for edition in EDITIONS:
            published = folder / edition.file
            entry = files.get(edition.file)
            if entry is None or not published.is_file():
                if entry is not None or published.exists():
                    faults.append('%s%s is %s' % (shown, edition.file, 'not named in release.txt' if entry is None
                                                  else 'named in release.txt but not there'))
                continue
            if (commit, edition.arch) not in rebuilds:
                rebuilds[commit, edition.arch] = build(site, edition, clone.parent / edition.arch, clone,
                                                       VERIFY_TARGETS)
            rebuilt = rebuilds[commit, edition.arch]
            toolchain = rebuilt.versions.get('toolchain', {})
            differing = ['%s "%s" here, "%s" in the record' % (label, toolchain.get(key), entry.get(label))
                         for key, label in TOOLCHAIN.items() if toolchain.get(key) != entry.get(label)]
            if differing:
                faults.append('the toolchain of %s differs from the recorded one: %s; verify with the recorded '
                              'toolchain.' % (edition.name, '; '.join(differing)))
                continue
            fault = compare(published, rebuilt, entry)
            if fault:
                faults.append('%s%s %s' % (shown, edition.file, fault))
                progress.done('%s%s DIFFERS from the build of commit %s' % (shown, edition.file, commit[:12]))
            else:
                progress.done('%s%s is the build of commit %s%s, byte for byte' % (
                    shown, edition.file, commit[:12],
                    ' with its signature attached' if executable.is_signed(published) else ''))
        if not files:
            faults.append('%srelease.txt names no executable' % shown)
    if not faults:
        shutil.rmtree(scratch, ignore_errors=True)
    return faults


def _clone_at(clone: Path, commit: str) -> None:
    """A clone of this repository at `commit`, in `clone`."""
    for step, problem in ((['git', 'clone', '--quiet', '--no-checkout', str(SOURCE), str(clone)],
                           'this folder cannot be cloned: --verify rebuilds from a clone of a git repository'),
                          (['git', '-C', str(clone), 'checkout', '--quiet', '--detach', commit],
                           'commit %s is not in this repository: fetch it, then verify again' % commit)):
        said = subprocess.run(step, capture_output=True, text=True)
        if said.returncode:
            raise ostrivane_site.SiteError('%s (git said: %s).' % (problem, ' / '.join(said.stderr.split('\n')[:2])))


def compare(published: Path, rebuilt: Build, entry: dict[str, str]) -> str | None:
    """None when `published` is the rebuild, its signature (if any) taken
    from `published` and attached; else how it differs."""
    unsigned = rebuilt.folder / 'Ostrivane.exe'
    if executable.is_signed(published):
        with tempfile.TemporaryDirectory() as work:
            signature, attached = Path(work, 'signature.der'), Path(work, 'attached.exe')
            run_bounded(['osslsigncode', 'extract-signature', '-in', published, '-out', signature],
                        SIGNING_SECONDS)
            # attach-signature also checks the signer's chain up to a root this
            # machine trusts, which a self-made or private one is not, and
            # then fails though it attached: the bytes decide.
            if signature.exists():
                run_bounded(['osslsigncode', 'attach-signature', '-sigin', signature, '-in', unsigned,
                             '-out', attached], SIGNING_SECONDS)
            same = attached.exists() and attached.read_bytes() == published.read_bytes()
    else:
        same = unsigned.read_bytes() == published.read_bytes()
    if same:
        return None
    if rebuilt.unsigned_sha256 == entry.get('SHA-256 before signing'):
        return ('differs from the build of its commit with its signature attached, while the rebuild is the '
                'file release.txt recorded before signing: the published file was changed after the release.')
    return ('differs from the build of its commit, which is not the file release.txt recorded before signing '
            'either.')


if __name__ == '__main__':
    sys.exit(main(sys.argv))
