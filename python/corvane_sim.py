"""Drive the board simulator's server from Python: one method per ``corvane-sim ctl``
command, so that a test of an application sets simulated inputs, raises interrupts,
injects driver failures, moves the virtual clock and reads what the driver received,
without writing ctypes records by hand.

Standard library only. The server is ``corvane-sim serve``; the application under test
runs with ``corvane-sim --connect PATH -- program`` (or ``CORVANE_SIM_SERVER=PATH`` with
the simulator preloaded)::

    import corvane_sim

    with corvane_sim.Server(boards="keloe6100") as server:      # or a server already running
        sim = server.client()                                    # corvane_sim.Client(path)
        sim.set_inputs("keloe6100_0", 0x5)
        sim.interrupt("keloe6100_0", 0x1, 0x8, 42)
        print(sim.state("keloe6100_0")["pending_interrupts"])    # 1
        sim.fail("keloe6100_0", "IoctlGetDigitalInputs", "EIO", times=2)
        for entry in sim.trace():
            print(entry["name"], entry["result"], entry["sent"].hex())

A command the server refuses raises :class:`SimulatorError`, whose text is the server's
error line (command, word and column, reason).
"""

import datetime
import json
import os
import re
import socket
import subprocess
import tempfile

__all__ = ["Client", "Server", "SimulatorError", "default_socket_path"]

_WORD = re.compile(r"^[\x21-\x7e]+$")


class SimulatorError(Exception):
    """The server refused a command (or cannot be reached: then ``command`` is None).

    Attributes: ``command`` (the command word), ``word`` and ``column`` (1-based position
    of the word at fault in the command line), ``reason``.
    """

    def __init__(self, message, command=None, word=None, column=None, reason=None):
        super().__init__(message)
        self.command = command
        self.word = word
        self.column = column
        self.reason = reason if reason is not None else message


def default_socket_path():
    """Where ``corvane-sim serve`` listens without ``--socket``:
    ``$XDG_RUNTIME_DIR/corvane-sim.sock``, else ``$TMPDIR`` (or ``/tmp``)
    ``/corvane-sim-<uid>/server.sock``."""
    runtime = os.environ.get("XDG_RUNTIME_DIR")
    if runtime:
        return os.path.join(runtime, "corvane-sim.sock")
    tmp = os.environ.get("TMPDIR")
    base = tmp if tmp and tmp.startswith("/") else "/tmp"
    return os.path.join(base, "corvane-sim-%d" % os.getuid(), "server.sock")


def _word(value, what):
    """One word of a command line: text without spaces or control characters."""
    if isinstance(value, bool) or not isinstance(value, (str, int)):
        raise TypeError("%s must be text or an integer, not %s" % (what, type(value).__name__))
    text = str(value)
    if not _WORD.match(text):
        raise ValueError("%s must be one word of printable ASCII text, got %r" % (what, text))
    return text


def _integer(value, what):
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError("%s must be an integer, not %s" % (what, type(value).__name__))
    return value


def _hex(value, what):
    return "0x%x" % _integer(value, what) if value >= 0 else str(value)


def _duration(value):
    if isinstance(value, datetime.timedelta):
        ns = (value.days * 86400 + value.seconds) * 10**9 + value.microseconds * 1000
        return "%dns" % ns
    if isinstance(value, str):
        return _word(value, "duration")
    raise TypeError("a duration is text such as '250ms' or a datetime.timedelta, not %s" % type(value).__name__)


def _trace_entry(raw):
    entry = dict(raw)
    entry["sent"] = bytes.fromhex(raw["sent"])
    entry["returned"] = bytes.fromhex(raw["returned"])
    return entry


class Client:
    """A connection to a simulator server (``socket_path``: default_socket_path() when None).

    Each method sends one command and returns the reply's data. A refused command raises
    SimulatorError and changes nothing. Not to be shared between threads without a lock.
    """

    def __init__(self, socket_path=None, timeout=30.0):
        self.socket_path = socket_path or default_socket_path()
        self._socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self._socket.settimeout(timeout)
        try:
            self._socket.connect(self.socket_path)
        except OSError as error:
            self._socket.close()
            raise SimulatorError("cannot connect to %s: %s (is \"corvane-sim serve\" running?)" % (
                self.socket_path, error.strerror or error)) from error
        self._buffer = b""
        self._request("format json")

    def close(self):
        """Closes the connection (the server and its boards go on)."""
        if self._socket is not None:
            self._socket.close()
            self._socket = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # ---- the ctl commands ------------------------------------------------------------

    def boards(self):
        """Every board: a list of dicts (board, model, input_count, output_count, ports,
        units, open_descriptors, pending_interrupts)."""
        return self._request("boards")["boards"]

    def state(self, board):
        """The driver-side state of a board, as a dict (inputs, outputs, port_inputs,
        port_outputs, interrupts_enabled, digital_interrupt, units, pending_interrupts,
        open_descriptors, last_error, ...)."""
        return self._request("state", _word(board, "board"))["state"]

    def set_inputs(self, board, value):
        """Inputs 0..31 of a board as one word."""
        self._request("set-inputs", _word(board, "board"), _hex(value, "value"))

    def set_input(self, board, channel, state):
        """One input on (1/True) or off (0/False); any other state is refused."""
        if state not in (0, 1):  # True and False compare equal to 1 and 0
            raise ValueError("state must be 0, 1, True or False, got %r" % (state,))
        self._request("set-input", _word(board, "board"), str(_integer(channel, "channel")), "1" if state else "0")

    def set_port(self, board, port, value):
        """The 8 inputs of one port."""
        self._request("set-port", _word(board, "board"), str(_integer(port, "port")), _hex(value, "value"))

    def interrupt(self, board, source, mask, *args):
        """Queues an interrupt record (interrupt_source, interrupt_mask, up to 32 args);
        returns the number of interrupts now queued on the board."""
        words = [_word(board, "board"), str(_integer(source, "source")), str(_integer(mask, "mask"))]
        words += [str(_integer(a, "arg")) for a in args]
        return self._request("interrupt", *words)["pending_interrupts"]

    def fail(self, board, command, errno, times=1):
        """Makes a driver command fail with errno: board None for every board; command a
        name such as "IoctlGetDigitalInputs", a number, or None for every command; errno
        a number or a name such as "EIO"; times a count or None for every call."""
        words = ["*" if board is None else _word(board, "board"),
                 "*" if command is None else _word(command, "command"),
                 _word(errno, "errno"),
                 "always" if times is None else str(_integer(times, "times"))]
        self._request("fail", *words)

    def clear_failures(self):
        """Removes every failure rule."""
        self._request("clear-failures")

    def advance(self, duration):
        """Moves the virtual clock on ("250ms", "1s", or a datetime.timedelta); every event
        due in that span runs, in time order. Returns the reply's data (clock, now_ns)."""
        return self._request("advance", _duration(duration))

    def clock(self, mode=None):
        """Selects the clock ("real" or "virtual"), or with None only asks; returns the
        reply's data."""
        return self._request("clock", *([] if mode is None else [_word(mode, "clock")]))

    def trace(self):
        """Every command the simulated drivers received (oldest first): a list of dicts
        with node, command, name, result, errno, and the argument record as sent and as
        returned (bytes)."""
        entries = []
        self._request("trace", data=entries)
        return [_trace_entry(e["trace"]) for e in entries]

    def follow_trace(self):
        """A generator of trace entries: those already there, then each new one as the
        driver receives it (on a connection of its own; close the generator to end)."""
        with Client(self.socket_path, timeout=None) as follower:
            follower._send("trace --follow")
            while True:
                reply = follower._read()
                if "trace" in reply:
                    yield _trace_entry(reply["trace"])
                elif not reply.get("ok", False):
                    raise follower._error(reply)

    def stop(self):
        """Stops the server (it removes its socket)."""
        self._request("stop")

    def command(self, line):
        """Sends one control command line as it is and returns the reply's data. The line
        must be one line: a line break would send a second command whose reply would be
        taken for the next call's."""
        if not isinstance(line, str):
            raise TypeError("a command line is text, not %s" % type(line).__name__)
        if "\n" in line or "\r" in line:
            raise ValueError("a command line must not hold a line break: %r" % (line,))
        return self._request(line)

    # ---- the protocol ------------------------------------------------------------------

    def _send(self, line):
        if self._socket is None:
            raise SimulatorError("the connection is closed")
        self._socket.sendall(line.encode("ascii") + b"\n")

    def _read(self):
        while b"\n" not in self._buffer:
            try:
                chunk = self._socket.recv(65536)
            except socket.timeout as error:
                raise SimulatorError("the server at %s did not answer" % self.socket_path) from error
            if not chunk:
                raise SimulatorError("the server at %s closed the connection" % self.socket_path)
            self._buffer += chunk
        line, self._buffer = self._buffer.split(b"\n", 1)
        return json.loads(line.decode("utf-8", "replace"))

    @staticmethod
    def _error(reply):
        return SimulatorError(reply.get("error", "error"), reply.get("command"), reply.get("word"),
                              reply.get("column"), reply.get("reason"))

    def _request(self, *words, data=None):
        self._send(" ".join(words))
        while True:
            reply = self._read()
            if "ok" not in reply:
                if data is not None:
                    data.append(reply)
                continue
            if not reply["ok"]:
                raise self._error(reply)
            return reply


class Server:
    """A simulator server of its own for the length of a ``with`` block (or between
    start() and stop()), on a socket in a private temporary directory.

    runner: the ``corvane-sim`` program (a path, or found on PATH); boards and script as
    for ``corvane-sim serve``.
    """

    def __init__(self, boards=None, runner="corvane-sim", script=None, timeout=30.0):
        self.runner = runner
        self.boards = boards
        self.script = script
        self.timeout = timeout
        self.socket_path = None
        self.process = None
        self._directory = None

    def start(self):
        self._directory = tempfile.TemporaryDirectory(prefix="corvane-sim-")
        self.socket_path = os.path.join(self._directory.name, "server.sock")
        args = [self.runner, "serve", "--socket", self.socket_path]
        if self.boards is not None:
            args += ["--boards", self.boards]
        if self.script is not None:
            args += ["--script", self.script]
        # Its messages go to a file, not a pipe: a pipe nobody reads while the server runs
        # would fill up and stop the server at its next message.
        self._errors = open(os.path.join(self._directory.name, "server.log"), "w+b")
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=self._errors)
        line = self.process.stdout.readline().decode("utf-8", "replace")  # "corvane-sim: serving ..."
        if not line.startswith("corvane-sim: serving"):
            self.process.wait(self.timeout)
            error = self._read_errors().strip()
            self._directory.cleanup()
            raise SimulatorError("the server did not start: %s" % (error or line.strip()))
        return self

    def _read_errors(self):
        self._errors.seek(0)
        text = self._errors.read().decode("utf-8", "replace")
        self._errors.close()
        return text

    def client(self):
        """A new Client of this server."""
        return Client(self.socket_path, self.timeout)

    def stop(self):
        """Stops the server (SIGTERM) and returns what it wrote on standard error."""
        if self.process is None:
            return ""
        if self.process.poll() is None:
            self.process.terminate()
        try:
            self.process.communicate(timeout=self.timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.communicate()
        self.process = None
        errors = self._read_errors()
        self._directory.cleanup()
        return errors

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

