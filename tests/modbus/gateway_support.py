"""Runs corvane-modbus over a simulator server for the tests, and talks Modbus to it.

The build tells the tests where the programs are (modbus.cmake):
  MODBUS_RUNNER    corvane-sim (starts the simulator server)
  MODBUS_GATEWAY   corvane-modbus, run as `corvane-sim --connect SOCKET -- corvane-modbus`
  MODBUS_LINKED    set in sanitized builds: a gateway with the simulator linked in, run
                   with CORVANE_SIM_SERVER=SOCKET (a sanitized program cannot be preloaded)
  MODBUS_SETUP     modbus_unit_setup, which starts a timer or counter through the library
Every gateway listens on 127.0.0.1 port 0 (a free port, read from its log).
"""

import os
import re
import signal
import socket
import struct
import subprocess
import tempfile
import time
import unittest

import corvane_sim
from pymodbus.client import ModbusTcpClient

RUNNER = os.environ["MODBUS_RUNNER"]
GATEWAY = os.environ["MODBUS_GATEWAY"]
LINKED = os.environ.get("MODBUS_LINKED", "")
SETUP = os.environ["MODBUS_SETUP"]
# Sanitized gateways are slower: the budgets of timed steps grow with them.
SLOW = 4.0 if LINKED else 1.0


def simulator_env(socket_path):
    env = dict(os.environ)
    env.pop("CORVANE_SIM_BOARDS", None)
    env["CORVANE_SIM_SERVER"] = socket_path
    return env


class Gateway:
    """One corvane-modbus process over the boards of a simulator server."""

    def __init__(self, server, *args):
        self._directory = tempfile.TemporaryDirectory(prefix="corvane-modbus-test-")
        self.log_path = os.path.join(self._directory.name, "gateway.log")
        options = ["--listen", "127.0.0.1:0", "--log", self.log_path] + list(args)
        if LINKED:
            command, env = [LINKED] + options, simulator_env(server.socket_path)
        else:
            command, env = [RUNNER, "--connect", server.socket_path, "--", GATEWAY] + options, dict(os.environ)
        self.process = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.port = None
        deadline = time.monotonic() + 30
        while self.port is None and time.monotonic() < deadline and self.process.poll() is None:
            found = re.search(r"listening on 127\.0\.0\.1:(\d+)", self.log())
            if found:
                self.port = int(found.group(1))
            else:
                time.sleep(0.02)
        if self.port is None:
            self.stop()
            raise AssertionError("the gateway did not start: " + self.log() + self.stderr)

    def log(self):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def wait_for_log(self, pattern, timeout=10.0):
        """The first match of pattern in the log, waiting for it to appear."""
        deadline = time.monotonic() + timeout * SLOW
        while True:
            found = re.search(pattern, self.log())
            if found or time.monotonic() > deadline:
                return found
            time.sleep(0.02)

    def client(self, **kwargs):
        c = ModbusTcpClient("127.0.0.1", port=self.port, timeout=5 * SLOW, retries=0, **kwargs)
        if not c.connect():
            raise AssertionError("cannot connect to the gateway")
        return c

    def raw(self):
        """A plain TCP connection to the gateway."""
        return socket.create_connection(("127.0.0.1", self.port), timeout=5 * SLOW)

    def stop(self, how=signal.SIGTERM):
        """Sends the signal and returns the exit status."""
        if self.process.poll() is None:
            self.process.send_signal(how)
        try:
            _, err = self.process.communicate(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            _, err = self.process.communicate()
        self.stderr = err.decode("utf-8", "replace")
        return self.process.returncode

    def close(self):
        """Stops the gateway (when still running) and returns its exit status."""
        status = self.stop()
        self._directory.cleanup()
        return status


def run_gateway(server, *args, timeout=60):
    """Runs the gateway to its end: (exit status, standard output, standard error)."""
    if LINKED:
        command, env = [LINKED] + list(args), simulator_env(server.socket_path)
    else:
        command, env = [RUNNER, "--connect", server.socket_path, "--", GATEWAY] + list(args), dict(os.environ)
    done = subprocess.run(command, env=env, capture_output=True, text=True, timeout=timeout)
    return done.returncode, done.stdout, done.stderr


def request(transaction, unit, pdu):
    """A Modbus TCP frame."""
    return struct.pack(">HHHB", transaction, 0, len(pdu) + 1, unit) + pdu


def receive_frame(sock):
    """One reply frame, or b"" when the gateway closed the connection."""
    header = _receive(sock, 7)
    if len(header) < 7:
        return header
    length = struct.unpack(">H", header[4:6])[0]
    return header + _receive(sock, length - 1)


def _receive(sock, count):
    data = b""
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            break
        data += chunk
    return data


def closed_by_peer(sock, timeout):
    """True when the other side closes the connection within timeout seconds."""
    sock.settimeout(timeout * SLOW)
    try:
        return sock.recv(1) == b""
    except ConnectionResetError:
        return True
    except socket.timeout:
        return False


class GatewayTestCase(unittest.TestCase):
    """A simulator server per test class (BOARDS), a gateway per test when asked."""

    BOARDS = "keloe6100,kelo3100,kelo4210"

    @classmethod
    def setUpClass(cls):
        cls.server = corvane_sim.Server(boards=cls.BOARDS, runner=RUNNER).start()
        cls.sim = cls.server.client()

    @classmethod
    def tearDownClass(cls):
        cls.sim.close()
        cls.server.stop()

    def gateway(self, *args):
        g = Gateway(self.server, *args)
        self.addCleanup(self._finish, g)
        return g

    def _finish(self, gateway):
        # Every gateway ends with 0 (a sanitizer's report ends it otherwise).
        self.assertEqual(0, gateway.close(), gateway.stderr)

    def client(self, gateway):
        c = gateway.client()
        self.addCleanup(c.close)
        return c

    def unit_setup(self, *args):
        """Starts a timer or counter on the server's boards through the library."""
        done = subprocess.run([SETUP] + [str(a) for a in args], env=simulator_env(self.server.socket_path),
                              capture_output=True, text=True, timeout=60)
        self.assertEqual(0, done.returncode, done.stdout + done.stderr)
