"""Clients that misbehave: garbage, truncated frames, wrong length fields, silence, a
disconnect in the middle of a frame, replies never read. Each is dealt with on its own
while another client keeps being served without delay, and the gateway stops cleanly
(under the sanitizers too) afterwards."""

import random
import socket
import struct
import threading
import time
import unittest

from gateway_support import SLOW, GatewayTestCase, closed_by_peer, receive_frame, request

READ_INPUTS = bytes([2, 0, 0, 0, 32])  # discrete inputs 0-31 of unit 1


class SteadyClient(threading.Thread):
    """Reads the inputs over and over, keeping the slowest answer and any failure."""

    def __init__(self, gateway):
        super().__init__(daemon=True)
        self.client = gateway.client()
        self.stopping = threading.Event()
        self.requests = 0
        self.slowest = 0.0
        self.failures = []

    def run(self):
        while not self.stopping.is_set():
            started = time.monotonic()
            try:
                r = self.client.read_discrete_inputs(0, 32, slave=1)
            except Exception as error:  # pymodbus raises on a lost connection
                self.failures.append(repr(error))
                return
            self.slowest = max(self.slowest, time.monotonic() - started)
            if r.isError() or r.bits[:32] != [n in (0, 31) for n in range(32)]:
                self.failures.append(str(r))
            self.requests += 1
            time.sleep(0.002)

    def finish(self):
        self.stopping.set()
        self.join(10)
        self.client.close()


class Garbage(GatewayTestCase):
    BOARDS = "keloe6100"
    IDLE = 1.0  # --idle-timeout of these gateways, in seconds

    def setUp(self):
        self.sim.set_inputs("keloe6100_0", 0x80000001)
        self.g = self.gateway("--idle-timeout", str(self.IDLE))
        self.steady = SteadyClient(self.g)
        self.steady.start()

    def tearDown(self):
        self.steady.finish()
        self.assertEqual([], self.steady.failures)
        self.assertGreater(self.steady.requests, 0)
        # No bad client ever held the others up: every answer well inside the idle time.
        self.assertLess(self.steady.slowest, 0.5 * SLOW, "slowest answer %.3f s" % self.steady.slowest)
        self.assertIsNone(self.g.process.poll(), "the gateway ended")
        self.assertEqual(0, self.g.stop(), self.g.stderr)

    def served_meanwhile(self):
        """The steady client was answered at least twice more (the gateway is not stalled)."""
        before = self.steady.requests
        deadline = time.monotonic() + 2 * SLOW
        while self.steady.requests < before + 2 and time.monotonic() < deadline:
            time.sleep(0.01)
        self.assertGreaterEqual(self.steady.requests, before + 2)

    def test_raw_bytes_close_the_connection(self):
        with self.g.raw() as s:
            s.sendall(b"GET / HTTP/1.1\r\nHost: plant\r\n\r\n")
            self.assertTrue(closed_by_peer(s, 2))
        self.assertTrue(self.g.wait_for_log(r"dropped: malformed frame: protocol identifier 0x5420 is not Modbus \(0\)"))
        rng = random.Random(19)
        for _ in range(20):
            with self.g.raw() as s:
                s.sendall(bytes(rng.randrange(256) for _ in range(rng.randrange(1, 600))))
                s.shutdown(socket.SHUT_WR)
                s.settimeout(5 * SLOW)
                while s.recv(4096):  # replies to whatever happened to frame, then the end
                    pass
        self.served_meanwhile()

    def test_truncated_frame_and_silence_are_dropped_after_the_idle_time(self):
        truncated, silent = self.g.raw(), self.g.raw()
        self.addCleanup(truncated.close)
        self.addCleanup(silent.close)
        truncated.sendall(request(7, 1, READ_INPUTS)[:9])
        self.served_meanwhile()
        started = time.monotonic()
        self.assertTrue(closed_by_peer(truncated, self.IDLE + 3))
        self.assertTrue(closed_by_peer(silent, self.IDLE + 3))
        self.assertLess(time.monotonic() - started, self.IDLE + 3 * SLOW)
        log = self.g.log()
        self.assertRegex(log, r"dropped: no complete request for 1 s \(in the middle of a frame\)")
        self.assertRegex(log, r"dropped: no complete request for 1 s\n")

    def test_wrong_length_fields(self):
        with self.g.raw() as s:
            # Length 3: unit, function and one byte of a read: exception 3, the stream goes on.
            s.sendall(struct.pack(">HHHB", 5, 0, 3, 1) + bytes([2, 0]))
            self.assertEqual(struct.pack(">HHHBBB", 5, 0, 3, 1, 0x82, 3), receive_frame(s))
            s.sendall(request(6, 1, READ_INPUTS))
            self.assertEqual(bytes([2, 4, 0x01, 0, 0, 0x80]), receive_frame(s)[7:])
            # A function code with bit 7 set (an exception code): exception 1, the code
            # sent back as it came.
            s.sendall(request(9, 1, bytes([0x83, 0, 0, 0, 1])))
            self.assertEqual(struct.pack(">HHHBBB", 9, 0, 3, 1, 0x83, 1), receive_frame(s))
            # A quantity out of range: exception 3, and the log names what was asked.
            s.sendall(request(10, 1, bytes([4, 0, 7, 0, 126])))
            self.assertEqual(struct.pack(">HHHBBB", 10, 0, 3, 1, 0x84, 3), receive_frame(s))
            # Length 255 (more than any frame): the connection ends.
            s.sendall(struct.pack(">HHHB", 7, 0, 255, 1) + READ_INPUTS)
            self.assertTrue(closed_by_peer(s, 2))
        with self.g.raw() as s:
            # Length 20 for a 6-byte request: the gateway waits for the rest, then drops it.
            s.sendall(struct.pack(">HHHB", 8, 0, 20, 1) + READ_INPUTS)
            self.served_meanwhile()
            self.assertTrue(closed_by_peer(s, self.IDLE + 3))
        self.assertTrue(self.g.wait_for_log(r"length field 255 is outside 2 to 254"))
        self.assertTrue(self.g.wait_for_log(
            r"unit 1 function 4 address 7 count 126: exception 3, illegal data value: quantity 126 is outside 1 to 125"))
        self.assertTrue(self.g.wait_for_log(r"unit 1 function 131: exception 1, illegal function: function 131 is not served"))

    def test_disconnect_in_the_middle_of_a_frame(self):
        s = self.g.raw()
        s.sendall(request(9, 1, READ_INPUTS)[:10])
        self.served_meanwhile()
        s.close()
        self.assertTrue(self.g.wait_for_log(r"disconnected in the middle of a frame \(10 bytes discarded\)"))
        self.served_meanwhile()

    def test_a_client_that_never_reads_its_replies_is_dropped(self):
        s = socket.socket()
        self.addCleanup(s.close)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)  # fills up soon
        s.connect(("127.0.0.1", self.g.port))
        s.setblocking(False)
        frames = request(1, 1, READ_INPUTS) * 1000
        deadline = time.monotonic() + 30 * SLOW
        dropped = None
        while dropped is None and time.monotonic() < deadline:
            try:
                s.send(frames)
            except BlockingIOError:
                dropped = self.g.wait_for_log(r"dropped: it does not read its replies \(64 KiB of them wait\)", timeout=0.05)
            except (BrokenPipeError, ConnectionResetError):
                dropped = self.g.wait_for_log(r"dropped: it does not read its replies \(64 KiB of them wait\)")
        self.assertIsNotNone(dropped)
        self.served_meanwhile()


if __name__ == "__main__":
    unittest.main()
