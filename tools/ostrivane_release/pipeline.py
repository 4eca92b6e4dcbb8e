"""Runs the steps: one line of progress for each thing done, with the time
it took; one error boundary, where any failure becomes one line and what
dist/ holds now; publish or nothing."""

import contextlib
import fcntl
import shutil
import sys
import time
import traceback
from collections.abc import Callable, Iterator, Sequence
from pathlib import Path
from typing import TextIO

from ostrivane_site import SiteError
from ostrivane_site.executable import Refused
from ostrivane_site.version import VersionError

from .context import Context, Step
from .errors import Busy, ReleaseError

# Errors whose words are already the one line to show; any other is shown
# with its kind, since its words alone may not say what failed.
SAID = (ReleaseError, SiteError, VersionError, Refused, OSError)


class Progress:
    """One line per thing done, with the time since the last."""

    def __init__(self, out: TextIO = sys.stdout) -> None:
        self.out = out
        self.since = time.monotonic()

    def done(self, what: str) -> None:
        now = time.monotonic()
        print('%6.1f s  %s' % (now - self.since, what), file=self.out, flush=True)
        self.since = now


def run_steps(steps: Sequence[Step], context: Context, progress: Progress) -> None:
    for step in steps:
        why = step.skipped(context)
        if why:
            progress.done('skipped %s: %s' % (step.name, why))
            continue
        for line in step.run(context):
            progress.done(line)


@contextlib.contextmanager
def locked(lock: Path, what: str) -> Iterator[None]:
    """Holds the lock file `lock`, or Busy when another run holds it."""
    lock.parent.mkdir(parents=True, exist_ok=True)
    with open(lock, 'w') as held:
        try:
            fcntl.flock(held, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            raise Busy('%s is running: wait for it to end, then try again.' % what) from None
        yield


def one_line(error: BaseException) -> str:
    if isinstance(error, KeyboardInterrupt):
        return 'interrupted.'
    said = ' '.join(str(error).split()) if str(error) else ''
    if isinstance(error, SAID) and said:
        return said
    return '%s%s (an error of the release command itself: run it again with --debug and report what it says)' % (
        type(error).__name__, ': ' + said if said else '')


def dist_now(context: Context) -> str:
    """What dist/ holds now, for the line that says nothing was published."""
    if context.site is not None:
        if context.target.exists():
            return 'dist/%s/ still holds the previous release, unchanged' % context.target.name
        return 'dist/ holds no release of this site'
    dist = context.dist
    releases = sorted(p.name for p in dist.iterdir() if p.is_dir() and not p.name.startswith('.')) \
        if dist.is_dir() else []
    if releases:
        return 'dist/ still holds, unchanged, the releases of %s' % ', '.join(releases)
    return 'dist/ holds no release'


def boundary(context: Context, work: Callable[[], None], what_now: str) -> int:
    """Does `work`, the whole command, inside the one error boundary: 0 when
    it ends, else 1 after one line on standard error and `what_now`, in which
    {dist} is what dist/ holds now."""
    try:
        work()
        return 0
    except (Exception, KeyboardInterrupt) as error:
        print('release.sh: %s' % one_line(error), file=sys.stderr)
        if context.options.debug:
            traceback.print_exc()
        print(what_now.format(dist=dist_now(context)), file=sys.stderr)
        return 1
    finally:
        if context.staging is not None:
            shutil.rmtree(context.staging, ignore_errors=True)
