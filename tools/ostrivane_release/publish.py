"""The staged release becomes dist/<host>/ in one step where the system can
swap two folders (Linux's renameat2 with RENAME_EXCHANGE), else in two
renames: dist/<host>/ is at every moment the previous release or the new
one, whole."""

import ctypes
import errno
import os
import shutil
from collections.abc import Callable, Iterator
from pathlib import Path

from .context import Context, Step


def exchange(one: Path, other: Path) -> bool:
    """Swaps the folders `one` and `other` in one step; False where the
    system or the file system cannot."""
    try:
        renameat2 = ctypes.CDLL(None, use_errno=True).renameat2
    except (OSError, AttributeError):
        return False
    at_current_folder, rename_exchange = -100, 2
    if renameat2(at_current_folder, os.fsencode(one), at_current_folder, os.fsencode(other), rename_exchange) == 0:
        return True
    code = ctypes.get_errno()
    if code in (errno.EINVAL, errno.ENOSYS, errno.ENOTSUP):
        return False
    raise OSError(code, os.strerror(code), str(other))


def publish(staging: Path, target: Path, swap: Callable[[Path, Path], bool] = exchange) -> None:
    """Puts `staging` in the place of `target`, the previous release if any;
    `staging` is gone afterwards. `swap` is the one-step exchange."""
    old = target.with_name('.%s.old' % target.name)
    shutil.rmtree(old, ignore_errors=True)
    if target.exists() and swap(staging, target):
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


def run(context: Context) -> Iterator[str]:
    assert context.staging
    publish(context.staging, context.target)
    yield 'published dist/%s/: %s' % (context.target.name, ', '.join(sorted(
        p.relative_to(context.target).as_posix() for p in context.target.iterdir())))


STEP = Step('publish', run)
