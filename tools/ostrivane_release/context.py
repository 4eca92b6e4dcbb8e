"""What the steps of a release share: the operator's options, what the
preflight found, each edition as it is built, signed, checked and run, and
the record they add to."""

from collections.abc import Callable, Iterator
from dataclasses import dataclass, field
from pathlib import Path

from ostrivane_site import Signer, Site
from ostrivane_site.version import Version

from .editions import Edition
from .manifest import EditionRecord, Manifest, Toolchain

SOURCE = Path(__file__).resolve().parents[2]
# The name the editions are published under unless the site file names one:
# <name>-32bit.exe, <name>-64bit.exe.
DEFAULT_FILE_NAME = 'Ostrivane'


@dataclass(frozen=True)
class Options:
    site_file: str
    check: bool = False             # the preflight only
    unchecked: frozenset[str] = frozenset()  # editions that may ship unrun where Wine cannot run them
    allow_dirty: bool = False       # release from a checkout with uncommitted changes
    debug: bool = False             # a traceback with the one line


@dataclass
class Built:
    """One edition of the release, as the steps take it further."""
    edition: Edition
    folder: Path                    # its build folder
    unsigned_sha256: str
    toolchain: Toolchain
    caption: str = ''
    description: str = ''
    signed: Path | None = None      # its signed copy, when the release is signed
    timestamp: str | None = None
    ran: bool = False
    run: str = ''                   # how it was run under Wine, or why not
    screenshots: list[Path] = field(default_factory=list)

    @property
    def unsigned(self) -> Path:
        return self.folder / 'Ostrivane.exe'

    @property
    def shipped(self) -> Path:
        """What ships: the signed copy, or the file as built."""
        return self.signed or self.unsigned

    def record(self, file: str, sha256: str, screenshots: list[str]) -> EditionRecord:
        return EditionRecord(arch=self.edition.arch, bits=self.edition.bits, file=file, sha256=sha256,
                             unsigned_sha256=self.unsigned_sha256, timestamp=self.timestamp, ran=self.ran,
                             run=self.run, screenshots=screenshots, toolchain=self.toolchain)


@dataclass
class Context:
    options: Options
    source: Path = SOURCE
    dist: Path = SOURCE / 'dist'
    site: Site | None = None
    version: Version | None = None
    commit: str | None = None       # the checkout's commit, if it is one
    clean: bool = True              # no tracked file differs from it
    signer: Signer | None = None
    password: str | None = None
    unrun: dict[str, str] = field(default_factory=dict)  # edition -> why Wine cannot run it here
    builds: list[Built] = field(default_factory=list)
    manifest: Manifest | None = None
    staging: Path | None = None
    # Said once the release is published.
    notes: list[str] = field(default_factory=list)

    def warn(self, text: str) -> None:
        """A warning, said at once."""
        print('warning: ' + text, flush=True)

    @property
    def the_site(self) -> Site:
        assert self.site is not None, 'the preflight loads the site first'
        return self.site

    @property
    def the_version(self) -> Version:
        assert self.version is not None, 'the preflight reads the version first'
        return self.version

    @property
    def target(self) -> Path:
        """dist/<host>/, where the release lands."""
        return self.dist / self.the_site.host.ascii

    @property
    def build_root(self) -> Path:
        return self.source / 'build' / 'release' / self.the_site.host.ascii


@dataclass(frozen=True)
class Step:
    """One step of the pipeline: `run` adds to the context and yields a line
    of progress for each thing it has done; `skipped` says why the step does
    not apply to this release, or None."""
    name: str
    run: Callable[[Context], Iterator[str]]
    skipped: Callable[[Context], str | None] = lambda context: None
