"""What the host's tests share: the programs under test (named by ctest's environment), a
registry in a temporary XDG_DATA_HOME, and the emulated reader as a program of its own."""

import ctypes
import os
import shutil
import signal
import subprocess
import tempfile

MODULE = os.environ["PELORUS_MODULE"]
REGSVR = os.environ["PELORUS_REGSVR"]
KITESIM = os.environ["KITESIM"]
EXAMPLES = os.environ.get("PELORUS_EXAMPLES", "")


def program_environment():
    """The environment for our own programs: in sanitizer builds they are instrumented themselves,
    and leaks are looked for in them (not in python3, see tests/control/CMakeLists.txt)."""
    environment = dict(os.environ)
    if "PROGRAM_ASAN_OPTIONS" in environment:
        environment["ASAN_OPTIONS"] = environment["PROGRAM_ASAN_OPTIONS"]
    return environment


class TemporaryRegistry:
    """XDG_DATA_HOME in a folder of its own for the life of the object."""

    def __init__(self):
        self.home = tempfile.mkdtemp(prefix="pelorus-host-")
        self._previous = os.environ.get("XDG_DATA_HOME")
        os.environ["XDG_DATA_HOME"] = self.home
        self.root = os.path.join(self.home, "pelorus")

    def regsvr(self, *arguments):
        return subprocess.run([REGSVR, *arguments], capture_output=True, text=True, timeout=60,
                              env=program_environment())

    def register(self):
        result = self.regsvr(MODULE)
        if result.returncode != 0:
            raise RuntimeError(result.stderr)

    def close(self):
        if self._previous is None:
            os.environ.pop("XDG_DATA_HOME", None)
        else:
            os.environ["XDG_DATA_HOME"] = self._previous
        shutil.rmtree(self.home, ignore_errors=True)


_PR_SET_PDEATHSIG = 1


def _end_with_parent():
    """In the child before it runs: a test process that dies takes the emulator along."""
    ctypes.CDLL(None).prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)


class EmulatedReader:
    """kitesim serving RFC 2217 on loopback, so that auto-detection works; COM2 points at it."""

    def __init__(self, *options):
        self.process = subprocess.Popen([KITESIM, "--rfc2217", "0", *options], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True,
                                        env=program_environment(), preexec_fn=_end_with_parent)
        self.port = None
        for line in self.process.stdout:
            kind, _, value = line.strip().partition(" ")
            if kind == "rfc2217":
                self.port = int(value)
            if kind == "ready":
                break
        if self.port is None:
            self.close()
            raise RuntimeError("kitesim did not start")
        self.url = "rfc2217://127.0.0.1:%d" % self.port

    def command(self, text):
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()

    def close(self):
        if self.process.poll() is None:
            try:
                self.command("quit")
                self.process.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
        self.process.stdin.close()
