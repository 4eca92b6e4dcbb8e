"""--verify: a published release against its source. It reads only the
release's release.json; compares the site file with it first, so a site
file changed since the release is named in seconds and nothing is built;
then rebuilds the recorded commit in a scratch clone and compares each
published file with that build, its signature taken from the published file
and attached. It never changes the release."""

import subprocess
import tempfile
from collections.abc import Callable, Iterator
from dataclasses import dataclass
from pathlib import Path

from ostrivane_site import Site, executable
from ostrivane_site.processes import run_bounded
from ostrivane_site.signing import SIGNING_SECONDS

from .build import VERIFY_TARGETS, build
from .check import mark_sha256
from .context import DEFAULT_FILE_NAME, Built
from .editions import EDITIONS, Edition, edition
from .errors import ManifestError, NotVerified, ReleaseError, SourceError
from .manifest import EditionRecord, Manifest, from_json

# A rebuild of one edition at one commit.
Rebuild = Callable[[Edition, str], Built]


@dataclass(frozen=True)
class Release:
    folder: Path
    shown: str          # how the operator knows it: dist/<host>/, or the folder's name
    manifest: Manifest


def load(folder: Path, shown: str) -> Release:
    try:
        text = (folder / 'release.json').read_text(encoding='utf-8')
    except OSError as error:
        raise ManifestError('%srelease.json cannot be read: %s.' % (shown, error.strerror or error)) from None
    except UnicodeDecodeError:
        raise ManifestError('%srelease.json is not UTF-8 text.' % shown) from None
    return Release(folder, shown, from_json(text, shown + 'release.json'))


def site_differences(site: Site, manifest: Manifest) -> list[str]:
    """Each value of the site file that is not the release's, named."""
    recorded = manifest.site
    base = site.file_name or DEFAULT_FILE_NAME
    now = {'host': (site.host.ascii, recorded.host), 'brand': (site.brand, recorded.brand),
           'file_name': (sorted(e.file(base) for e in EDITIONS if manifest.edition(e.arch)),
                         sorted(e.file for e in manifest.editions))}
    faults = ['the site file\'s %s is "%s", the release\'s "%s"' % (name, mine, theirs)
              for name, (mine, theirs) in now.items() if mine != theirs]
    if mark_sha256(site) != recorded.mark_sha256:
        faults.append('the site file\'s icon is not the mark the release carries (%s)' % recorded.icon)
    return faults


def check_site(site: Site, releases: list[Release]) -> Iterator[str]:
    for release in releases:
        faults = site_differences(site, release.manifest)
        if faults:
            raise ReleaseError('%s was released with other site values than the site file now has: %s. Verify '
                               'it with the site file as it was when it was released.'
                               % (release.shown, '; '.join(faults)))
        if not release.manifest.verifiable:
            raise SourceError('%s was made %s: no commit holds its source, so it cannot be verified.'
                              % (release.shown, 'with uncommitted changes' if release.manifest.source_commit
                                 else 'from no git checkout'))
    yield 'the site file is the one %s %s made with' % (
        ', '.join(r.shown for r in releases), 'was' if len(releases) == 1 else 'were')


def compare(published: Path, rebuilt: Built, record: EditionRecord) -> str | None:
    """None when `published` is the rebuild, its signature (if any) taken
    from `published` and attached; else how it differs."""
    if executable.is_signed(published):
        with tempfile.TemporaryDirectory() as work:
            signature, attached = Path(work, 'signature.der'), Path(work, 'attached.exe')
            run_bounded(['osslsigncode', 'extract-signature', '-in', published, '-out', signature], SIGNING_SECONDS)
            # attach-signature also checks the signer's chain up to a root this
            # machine trusts, which a self-made or private one is not, and
            # then fails though it attached: the bytes decide.
            if signature.exists():
                run_bounded(['osslsigncode', 'attach-signature', '-sigin', signature, '-in', rebuilt.unsigned,
                             '-out', attached], SIGNING_SECONDS)
            same = attached.exists() and attached.read_bytes() == published.read_bytes()
    else:
        same = rebuilt.unsigned.read_bytes() == published.read_bytes()
    if same:
        return None
    if rebuilt.unsigned_sha256 == record.unsigned_sha256:
        return ('differs from the build of its commit with its signature attached, while the rebuild is the file '
                'release.json recorded before signing: the published file was changed after the release.')
    return 'differs from the build of its commit, which is not the file release.json recorded before signing either.'


def compare_all(releases: list[Release], rebuild: Rebuild) -> Iterator[str]:
    """Yields a line for each published file; NotVerified with every fault at
    the end. Copies of one release share one rebuild of each edition."""
    faults = []
    rebuilds: dict[tuple[str, str], Built] = {}
    for release in releases:
        manifest, shown = release.manifest, release.shown
        commit = manifest.source_commit
        assert commit
        named = {each.file for each in manifest.editions}
        faults += ['%s%s is not named in release.json' % (shown, path.name)
                   for path in sorted(release.folder.glob('*.exe')) if path.name not in named]
        if not manifest.editions:
            faults.append('%srelease.json names no executable' % shown)
        for record in manifest.editions:
            published = release.folder / record.file
            if not published.is_file():
                faults.append('%s%s is named in release.json but not there' % (shown, record.file))
                continue
            if (commit, record.arch) not in rebuilds:
                rebuilds[commit, record.arch] = rebuild(edition(record.arch), commit)
            rebuilt = rebuilds[commit, record.arch]
            differing = rebuilt.toolchain.differences(record.toolchain)
            if differing:
                faults.append('the toolchain of %s differs from the recorded one: %s; verify with the recorded '
                              'toolchain.' % (rebuilt.edition.name, '; '.join(differing)))
                continue
            fault = compare(published, rebuilt, record)
            if fault:
                faults.append('%s%s %s' % (shown, record.file, fault))
                yield '%s%s DIFFERS from the build of commit %s' % (shown, record.file, commit[:12])
            else:
                yield '%s%s is the build of commit %s%s, byte for byte' % (
                    shown, record.file, commit[:12],
                    ' with its signature attached' if executable.is_signed(published) else '')
    if faults:
        raise NotVerified(faults)


def clone_at(source: Path, clone: Path, commit: str) -> None:
    """A clone of the repository at `source`, at `commit`, in `clone`."""
    for step, problem in ((['git', 'clone', '--quiet', '--no-checkout', str(source), str(clone)],
                           'this folder cannot be cloned: --verify rebuilds from a clone of a git repository'),
                          (['git', '-C', str(clone), 'checkout', '--quiet', '--detach', commit],
                           'commit %s is not in this repository: fetch it, then verify again' % commit)):
        said = subprocess.run(step, capture_output=True, text=True)
        if said.returncode:
            raise SourceError('%s (git said: %s).' % (problem, ' / '.join(said.stderr.split('\n')[:2])))


def rebuilder(site: Site, source: Path, scratch: Path, progress: Callable[[str], None]) -> Rebuild:
    """Rebuilds in clones under `scratch`, one per commit."""
    def rebuild(wanted: Edition, commit: str) -> Built:
        clone = scratch / commit[:12] / 'source'
        if not clone.exists():
            clone_at(source, clone, commit)
            progress('cloned this repository into %s at commit %s' % (clone.relative_to(source), commit))
        return build(site, wanted, clone.parent / wanted.arch, clone, VERIFY_TARGETS)
    return rebuild
