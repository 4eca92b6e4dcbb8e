#!/usr/bin/env python3
"""Releases one site, both editions: scripts/release.sh SITE.toml.

In this order, one line of progress per step with its time:
  1. check the whole site file and the signing material;
  2. configure each edition afresh in the site's own build folders,
     build/release/<host>/i686 and x86_64, and build it;
  3. sign each;
  4. check what was built against the site file: the version record, the
     icon, the caption and the description, the signature, and, where Wine
     can run the edition, one run of the very file that ships;
  5. write the checksums and the record, release.txt, into a staging folder;
  6. publish: the staging folder becomes dist/<host>/ in one step.
On any failure nothing is published: dist/<host>/ keeps the previous release
byte for byte, and the command says so and exits 1. The password or PIN
comes from OSTRIVANE_SIGN_PASSWORD and is never shown.
"""

import ctypes
import errno
import fcntl
import functools
import hashlib
import json
import os
import shutil
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

import ostrivane_site
from ostrivane_site import executable
from ostrivane_site.processes import run_bounded
from ostrivane_site.signing import PASSWORD_VARIABLE

SOURCE = Path(__file__).resolve().parents[1]
DIST = SOURCE / 'dist'
WINE_SESSION = SOURCE / 'scripts' / 'wine-session.sh'
# Starting a Wine session, and one run of the program in it, take seconds;
# these only bound a session that hangs.
WINE_START_SECONDS = 180
WINE_RUN_SECONDS = 120


@dataclass(frozen=True)
class Edition:
    arch: str    # the toolchain's and Wine's name: i686, x86_64
    bits: str
    folder: str  # where it lands in dist/<host>/

    @property
    def name(self):
        return 'the %s edition (%s)' % (self.bits, self.arch)

    @property
    def file(self):
        return self.folder + 'Ostrivane.exe'


EDITIONS = (Edition('i686', '32-bit', ''), Edition('x86_64', '64-bit', 'x64/'))


@dataclass
class Build:
    edition: Edition
    folder: Path
    versions: dict           # release.json: version, caption, record
    shipped: Path | None = None  # the file that ships: signed, or as built
    timestamp: str | None = None  # the server whose timestamp it carries
    wine_run: str = ''       # how it was run, or why it was not


class Progress:
    """One line per step, with the time the step took."""

    def __init__(self):
        self.since = time.monotonic()

    def done(self, what):
        now = time.monotonic()
        print('%6.1f s  %s' % (now - self.since, what), flush=True)
        self.since = now


def main(argv):
    if len(argv) != 2:
        sys.exit('usage: scripts/release.sh SITE.toml')
    progress = Progress()
    target = None
    try:
        site = ostrivane_site.load_site(argv[1])
        target = DIST / site.host.ascii
        password = os.environ.get(PASSWORD_VARIABLE) or None
        signer = ostrivane_site.check_signing(site.signing, password) if site.signing else None
        progress.done('checked the site file%s: https://%s, brand %s, %s'
                      % (' and the signing material' if signer else '', site.host.ascii, site.brand,
                         'signed by "%s"' % signer.subject if signer else 'unsigned'))
        for warning in signer.warnings if signer else ['the release is not signed: Windows warns '
                                                       'before it runs an unsigned download.']:
            print('warning: ' + warning, flush=True)
        folder = SOURCE / 'build' / 'release' / site.host.ascii
        folder.mkdir(parents=True, exist_ok=True)
        with open(folder / 'release.lock', 'w') as lock:
            try:
                fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
            except BlockingIOError:
                raise ostrivane_site.SiteError('another release of %s is running.' % site.host.ascii)
            release(site, signer, password, folder, progress)
    except (ostrivane_site.SiteError, executable.Refused, OSError, KeyboardInterrupt) as error:
        print('release.sh: %s' % (str(error) or 'interrupted.'), file=sys.stderr)
        print('Nothing was published: %s. Put right what is said above and run scripts/release.sh '
              'again.' % ('dist/%s/ still holds the previous release, unchanged' % target.name
                          if target and target.exists() else 'dist/ holds no release of this site'),
              file=sys.stderr)
        return 1
    return 0


def release(site, signer, password, folder, progress):
    runnable = wine_editions()
    builds = []
    for edition in EDITIONS:
        builds.append(build(site, edition, folder / edition.arch))
        progress.done('configured and built %s' % edition.name)
    for each in builds:
        if signer:
            signed = each.folder / 'signed' / 'Ostrivane.exe'
            try:
                each.timestamp = ostrivane_site.sign(each.folder / 'Ostrivane.exe', signed,
                                                     site.signing, signer, password)
            except ostrivane_site.SiteError as error:
                raise ostrivane_site.SiteError('signing %s: %s' % (each.edition.name, error)) from None
            each.shipped = signed
            progress.done('signed %s%s' % (each.edition.name, ', timestamped by ' + each.timestamp
                                           if each.timestamp else ', without a timestamp'))
        else:
            each.shipped = each.folder / 'Ostrivane.exe'
    for each in builds:
        check_built(site, each, signer)
        if each.edition.arch in runnable:
            run_under_wine(site, each)
            each.wine_run = 'run once under Wine: the shortcut, the message box and the window'
        else:
            each.wine_run = 'not run: Wine cannot run %s programs on the machine that built it' % each.edition.bits
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
        [e.file for e in EDITIONS] + [e.file + '.sha256' for e in EDITIONS] + ['release.txt'])))
    # The program carries no manifest: Windows' installer detection takes a
    # 32-bit one so named for an installer and starts it elevated.
    print('Publish each file under a name without "setup", "install", "update" or "patch": Windows would '
          'take the program for an installer and ask for administrator rights to start it.', flush=True)


# Building.

def build(site, edition, folder):
    """Configures the edition afresh, with the site's values only, and builds
    the program and the driver of its run under Wine."""
    shutil.rmtree(folder, ignore_errors=True)
    log = folder.with_suffix('.log')
    values = ['-DSITE_HOST=' + site.host.unicode, '-DSITE_BRAND=' + site.brand,
              '-DSITE_ICON=' + (str(site.icon) if site.icon else '')]
    with open(log, 'w') as output:
        for step in (['cmake', '--preset', 'mingw-%s-release' % edition.arch, '-B', folder, *values],
                     ['cmake', '--build', folder, '--target', 'Ostrivane', 'release_run']):
            if subprocess.run(step, cwd=SOURCE, stdout=output, stderr=subprocess.STDOUT).returncode:
                print(log.read_text(errors='replace')[-4000:], file=sys.stderr)
                raise ostrivane_site.SiteError('%s did not build (the whole output: %s).'
                                               % (edition.name, log.relative_to(SOURCE)))
    return Build(edition, folder, json.loads((folder / 'release.json').read_text()))


# Checking what was built.

def check_built(site, each, signer):
    """SiteError unless the file that ships is what the site file says."""
    exe = each.shipped
    wanted = {'ProductName': 'Ostrivane', 'FileVersion': each.versions['record'],
              'ProductVersion': each.versions['record'], 'InternalName': 'Ostrivane',
              'OriginalFilename': 'Ostrivane.exe'}
    icon = mark_image(site)
    data = exe.read_bytes()
    faults = []
    if executable.version_strings(exe) != wanted:
        faults.append('its version record is not %s' % wanted)
    if executable.icon_image(exe) != icon:
        faults.append('its icon is not the image of %s' % ('the site\'s mark' if site.icon else 'the default mark'))
    for text in (caption(site, each), site.brand + '바로가기', site.host.ascii, site.host.unicode):
        if text.encode('utf-16-le') not in data:
            faults.append('it does not hold "%s"' % text)
    if faults:
        raise ostrivane_site.SiteError('%s of %s does not match the site file: %s.'
                                       % (each.edition.file, each.edition.name, '; '.join(faults)))
    if signer:
        ostrivane_site.check_signature(exe, signer)


@functools.cache
def mark_image(site):
    """The 48 x 48 image of the site's mark, made once per release: each
    edition's check and the record compare against the same bytes."""
    return ostrivane_site.icon_image(site.icon) if site.icon else ostrivane_site.DEFAULT_ICON.read_bytes()


def caption(site, each):
    return '%s 솔루션%s' % (site.brand, each.versions['caption'])


def wine_editions():
    """The editions Wine can run here."""
    found = subprocess.run([SOURCE / 'scripts' / 'wine-editions.sh'], capture_output=True, text=True)
    return found.stdout.split()


def run_under_wine(site, each):
    """Runs the file that ships once, in a throwaway Wine session of its own,
    and checks the shortcut it writes, its message box and its window."""
    session = each.folder / 'wine-run'
    run = session / 'run'
    run.mkdir(parents=True)
    shutil.copyfile(each.shipped, run / 'Ostrivane.exe')  # the same bytes
    shutil.copyfile(each.folder / 'release_run.exe', run / 'release_run.exe')
    what = 'one run of %s under Wine' % each.edition.name
    try:
        started = run_bounded([WINE_SESSION, 'start', session, '--edition', each.edition.arch],
                              WINE_START_SECONDS)
        if not started or started[0]:
            raise ostrivane_site.SiteError('%s could not start: %s' % (what, started and started[1].strip()))
        outcome = run_bounded([WINE_SESSION, 'exec', session, run / 'release_run.exe'], WINE_RUN_SECONDS)
        if outcome is None:
            raise ostrivane_site.SiteError('%s did not end within %d s.' % (what, WINE_RUN_SECONDS))
        said = dict(line.partition('=')[::2] for line in outcome[1].splitlines() if '=' in line)
        faults = [line[6:] for line in outcome[1].splitlines() if line.startswith('fault=')]
        if outcome[0] and not faults:
            faults.append('the driver ended with exit code %d' % outcome[0])
        if 'caption' in said and said['caption'] != caption(site, each):
            faults.append('the window\'s caption is "%s", not "%s"' % (said['caption'], caption(site, each)))
        shortcuts = list(session.glob('prefix/drive_c/users/*/Desktop/*.url'))
        if [s.name for s in shortcuts] != [site.host.unicode + '.url']:
            faults.append('the desktop holds %s, not %s.url' % ([s.name for s in shortcuts] or 'no shortcut',
                                                                site.host.unicode))
        elif not shortcut_is_right(shortcuts[0].read_bytes(), site):
            faults.append('the shortcut\'s bytes are not the five lines for https://%s' % site.host.ascii)
        if faults:
            raise ostrivane_site.SiteError('in %s: %s.' % (what, '; '.join(faults)))
    finally:
        run_bounded([WINE_SESSION, 'stop', session], WINE_START_SECONDS)


def shortcut_is_right(data, site):
    """Whether `data` is the shortcut for the site in code page 949, the
    session's: the five lines, each character the code page lacks as '?',
    then such lines' values in UTF-7 in the section the shell reads them
    from."""
    url = 'https://' + site.host.ascii
    lines = ['[InternetShortcut]', 'URL=' + url, 'Description=%s바로가기' % site.brand,
             'IconFile=%s/favicon.ico' % url, 'IconIndex=1']
    head = b''.join(line.encode('cp949', 'replace') + b'\r\n' for line in lines)
    lossy = [line for line in lines if line.encode('cp949', 'replace').decode('cp949') != line]
    if not data.startswith(head):
        return False
    rest = data[len(head):].split(b'\r\n')
    if not lossy:
        return rest == [b'']
    return rest[0] == b'[InternetShortcut.W]' and rest[-1] == b'' and lossy == [
        key.decode() + '=' + value.decode('utf-7') for key, _, value in (r.partition(b'=') for r in rest[1:-1])]


# The record and publishing.

def stage(site, signer, builds, staging):
    """The release, whole, in `staging`: each edition's file and checksum,
    and release.txt."""
    shutil.rmtree(staging, ignore_errors=True)  # what an interrupted release left
    lines = []
    for each in builds:
        target = staging / each.edition.file
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(each.shipped, target)
        digest = hashlib.sha256(target.read_bytes()).hexdigest()
        (target.parent / 'Ostrivane.exe.sha256').write_text('%s  Ostrivane.exe\n' % digest)
        lines += ['', '%s: %s' % (each.edition.file, each.edition.name),
                  '  SHA-256: ' + digest,
                  '  Timestamp: ' + (each.timestamp or 'none'),
                  '  Checked: ' + each.wine_run]
    (staging / 'release.txt').write_text('\n'.join(record(site, signer, builds[0]) + lines) + '\n')


def record(site, signer, first):
    """What the release is, with no local path: release.txt's head."""
    mark = mark_image(site)
    head = ['Ostrivane %s for https://%s' % (first.versions['version'], site.host.ascii),
            'Site: https://%s%s' % (site.host.ascii, ' (%s)' % site.host.unicode
                                    if site.host.unicode != site.host.ascii else ''),
            'Shortcut: %s.url' % site.host.unicode,
            'Brand: ' + site.brand,
            'Caption: ' + caption(site, first),
            'Description: %s바로가기' % site.brand,
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


def publish(staging, target):
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


def exchange(one, other):
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


if __name__ == '__main__':
    sys.exit(main(sys.argv))
