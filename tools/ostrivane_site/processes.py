"""Running another program for a bounded time."""

import os
import signal
import subprocess
from collections.abc import Sequence


def run_bounded(command: Sequence[str | os.PathLike[str]], seconds: float,
                stdin_text: str | None = None) -> tuple[int, str] | None:
    """(exit code, output and errors as text) of `command`, or None when it
    did not end within `seconds`: then it and every process it started are
    killed. `stdin_text` goes to it on a pipe."""
    process = subprocess.Popen([str(part) for part in command], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               start_new_session=True)
    try:
        output, _ = process.communicate((stdin_text or '').encode(), timeout=seconds)
        return process.returncode, output.decode(errors='replace')
    except subprocess.TimeoutExpired:
        return None
    finally:
        # Also on an interruption: nothing it started is left running.
        if process.returncode is None:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
