"""corvane_sim.py against a live simulator server: every method, the errors it raises,
and the driver traffic of a program run against the server's boards."""
import datetime
import os
import subprocess
import tempfile
import time
import unittest

import corvane_sim

RUNNER = os.environ["CORVANE_SIM_RUNNER"]
PROGRAM = os.environ["CORVANE_SIM_CLIENT_PROGRAM"]  # tests/sim/sim_shared_client


def run_program(server, *args):
    """Runs the C client program against the server's boards."""
    env = dict(os.environ, CORVANE_SIM_SERVER=server.socket_path)
    return subprocess.run([PROGRAM] + list(args), env=env, capture_output=True, text=True, timeout=60)


class SimClientTest(unittest.TestCase):
    def setUp(self):
        self.server = corvane_sim.Server(boards="keloe6100:outputs=0x20,kelo4210:product=kelo4210", runner=RUNNER)
        self.server.start()
        self.sim = self.server.client()

    def tearDown(self):
        self.sim.close()
        errors = self.server.stop()
        self.assertEqual("", errors)

    def test_boards_and_state(self):
        boards = self.sim.boards()
        self.assertEqual(["keloe6100_0", "kelo4210_0"], [b["board"] for b in boards])
        self.assertEqual({"board": "kelo4210_0", "model": "kelo4210", "input_count": 96, "output_count": 96,
                          "ports": 12, "units": 0, "open_descriptors": 0, "pending_interrupts": 0}, boards[1])
        state = self.sim.state("keloe6100_0")
        self.assertEqual(0x20, state["outputs"])
        self.assertEqual(0, state["inputs"])
        self.assertEqual(5, len(state["units"]))
        self.assertFalse(state["interrupts_enabled"])

    def test_commands_change_the_boards(self):
        self.sim.set_inputs("keloe6100_0", 0xFFFFFFFF)
        self.sim.set_port("kelo4210_0", 11, 0x81)
        self.assertEqual(1, self.sim.interrupt("keloe6100_0", 0x80000000, 1, 0, 0xFFFFFFFF))
        self.assertEqual(2, self.sim.interrupt("keloe6100_0", 2, 3))
        self.assertEqual(0xFFFFFFFF, self.sim.state("keloe6100_0")["inputs"])
        self.assertEqual(0x81, self.sim.state("kelo4210_0")["port_inputs"][11])
        self.assertEqual(2, self.sim.state("keloe6100_0")["pending_interrupts"])

        self.sim.fail("keloe6100_0", "IoctlGetDigitalOutputsStatus", "EIO", times=None)
        for _ in range(2):
            failed = run_program(self.server, "read-outputs", "keloe6100_0")
            self.assertEqual(1, failed.returncode)
            self.assertIn("VelmorGetDigitalOutputsStatus failed: 0x82001d00", failed.stdout)
            self.assertIn("Error message was Injected failure.", failed.stdout)
        self.sim.clear_failures()
        self.sim.fail(None, 0xC0084122, 5, times=1)
        self.assertEqual(1, run_program(self.server, "read-outputs", "keloe6100_0").returncode)
        done = run_program(self.server, "read-outputs", "keloe6100_0")
        self.assertEqual(0, done.returncode, done.stdout + done.stderr)
        self.assertEqual("outputs=0x00000020\n", done.stdout)

    def test_trace_gives_the_bytes_the_driver_received(self):
        self.assertEqual([], self.sim.trace())
        self.sim.fail("keloe6100_0", "IoctlGetDigitalOutputsStatus", "ENODEV")
        run_program(self.server, "read-outputs", "keloe6100_0")
        run_program(self.server, "read-outputs", "keloe6100_0")
        reads = [e for e in self.sim.trace() if e["name"] == "IoctlGetDigitalOutputsStatus"]
        self.assertEqual(2, len(reads))
        self.assertEqual({"node": "keloe6100_0", "command": 0xC0084122, "name": "IoctlGetDigitalOutputsStatus",
                          "result": -1, "errno": 19, "sent": bytes(4), "returned": bytes(4)}, reads[0])
        self.assertEqual((0, 0, bytes(4), b"\x20\x00\x00\x00"),
                         (reads[1]["result"], reads[1]["errno"], reads[1]["sent"], reads[1]["returned"]))

    def test_follow_trace_yields_new_entries_as_they_come(self):
        run_program(self.server, "read-outputs", "keloe6100_0")
        before = len(self.sim.trace())
        follower = self.sim.follow_trace()
        backlog = [next(follower) for _ in range(before)]
        self.assertEqual(self.sim.trace(), backlog)
        run_program(self.server, "read-outputs", "keloe6100_0")
        names = [next(follower)["name"] for _ in range(len(self.sim.trace()) - before)]
        self.assertIn("IoctlGetDigitalOutputsStatus", names)
        follower.close()

    def test_refusals_raise_with_the_position(self):
        with self.assertRaises(corvane_sim.SimulatorError) as caught:
            self.sim.set_port("kelo4210_0", 12, 0)
        error = caught.exception
        self.assertEqual("set-port: word 3 (column 21): port must be below 12 on kelo4210_0, got 12", str(error))
        self.assertEqual(("set-port", 3, 21, "port must be below 12 on kelo4210_0, got 12"),
                         (error.command, error.word, error.column, error.reason))
        with self.assertRaises(corvane_sim.SimulatorError) as caught:
            self.sim.state("keloe6100_1")
        self.assertEqual('no board "keloe6100_1" (boards: keloe6100_0, kelo4210_0)', caught.exception.reason)
        with self.assertRaises(corvane_sim.SimulatorError) as caught:
            self.sim.set_inputs("keloe6100_0", -1)
        self.assertEqual(3, caught.exception.word)
        with self.assertRaises(corvane_sim.SimulatorError) as caught:
            self.sim.fail("keloe6100_0", "IoctlNothing", "EIO")
        self.assertEqual(("fail", 3), (caught.exception.command, caught.exception.word))
        with self.assertRaises(corvane_sim.SimulatorError) as caught:
            self.sim.interrupt("keloe6100_0", 1, 2, *range(33))
        self.assertEqual(37, caught.exception.word)
        self.assertEqual(0, self.sim.state("keloe6100_0")["pending_interrupts"], "nothing changed")

    def test_arguments_are_checked_before_anything_is_sent(self):
        for bad in ("keloe6100_0 0", "keloe6100_0\nstop", "", "caf\u00e9"):
            with self.assertRaises(ValueError):
                self.sim.state(bad)
        for bad in (1.5, True, None, b"keloe6100_0"):
            with self.assertRaises(TypeError):
                self.sim.set_input("keloe6100_0", bad, 1)
        with self.assertRaises(TypeError):
            self.sim.advance(0.25)
        for bad in ("boards\nstop", "boards\r"):
            with self.assertRaises(ValueError):
                self.sim.command(bad)
        with self.assertRaises(ValueError):
            self.sim.set_input("keloe6100_0", 3, 2)
        self.assertEqual(2, len(self.sim.boards()), "the server still serves this connection")
        self.assertEqual(0, self.sim.state("keloe6100_0")["inputs"])

    def test_inputs_and_the_virtual_clock(self):
        self.sim.set_input("keloe6100_0", 31, True)
        self.sim.set_input("keloe6100_0", 0, 1)
        self.assertEqual(0x80000001, self.sim.state("keloe6100_0")["inputs"])
        self.sim.set_input("keloe6100_0", 31, False)
        self.assertEqual(1, self.sim.state("keloe6100_0")["inputs"])
        with self.assertRaises(corvane_sim.SimulatorError) as caught:
            self.sim.set_input("keloe6100_0", 32, 1)
        self.assertEqual("channel must be below 32 on keloe6100_0, got 32", caught.exception.reason)

        with self.assertRaises(corvane_sim.SimulatorError) as caught:
            self.sim.advance("250ms")
        self.assertEqual("the clock is real: advance moves the virtual clock (clock virtual)", caught.exception.reason)
        self.assertEqual("real", self.sim.clock()["clock"])
        start = self.sim.clock("virtual")["now_ns"]
        self.sim.advance("250ms")
        self.sim.advance(datetime.timedelta(milliseconds=1, microseconds=5))
        self.assertEqual({"clock": "virtual", "now_ns": start + 251005000}, {
            k: v for k, v in self.sim.clock().items() if k != "ok"})
        with self.assertRaises(corvane_sim.SimulatorError) as caught:
            self.sim.advance("1x")
        self.assertEqual(('advance', 2, '"1x" is not a duration (a number and a unit: ns, us, ms or s, as in 250ms)'),
                         (caught.exception.command, caught.exception.word, caught.exception.reason))
        with self.assertRaises(ValueError):
            self.sim.advance("1 s")

    def test_stop_ends_the_server_and_removes_its_socket(self):
        self.sim.stop()
        self.server.process.wait(30)
        self.assertEqual(0, self.server.process.returncode)
        self.assertFalse(os.path.exists(self.server.socket_path))
        with self.assertRaises(corvane_sim.SimulatorError):
            corvane_sim.Client(self.server.socket_path)


class SimClientWithoutServerTest(unittest.TestCase):
    def test_unreachable_server(self):
        with self.assertRaises(corvane_sim.SimulatorError) as caught:
            corvane_sim.Client("/nonexistent/corvane-sim.sock")
        self.assertIn("cannot connect to /nonexistent/corvane-sim.sock", str(caught.exception))
        self.assertIsNone(caught.exception.command)

    def test_default_socket_path(self):
        saved = dict(os.environ)
        try:
            os.environ["XDG_RUNTIME_DIR"] = "/run/user/1234"
            self.assertEqual("/run/user/1234/corvane-sim.sock", corvane_sim.default_socket_path())
            del os.environ["XDG_RUNTIME_DIR"]
            os.environ["TMPDIR"] = "/var/tmp"
            self.assertEqual("/var/tmp/corvane-sim-%d/server.sock" % os.getuid(), corvane_sim.default_socket_path())
            del os.environ["TMPDIR"]
            self.assertEqual("/tmp/corvane-sim-%d/server.sock" % os.getuid(), corvane_sim.default_socket_path())
        finally:
            os.environ.clear()
            os.environ.update(saved)

    def test_a_server_that_says_much_keeps_serving(self):
        # A script step that fails every millisecond writes a line each time; the server
        # must not stop at the point where a pipe would have filled.
        with tempfile.TemporaryDirectory() as directory:
            script = os.path.join(directory, "noisy.script")
            with open(script, "w") as f:
                f.write("every 1ms advance 1ms\n")
            server = corvane_sim.Server(boards="keloe6100", runner=RUNNER, script=script)
            server.start()
            try:
                with server.client() as sim:
                    deadline = time.monotonic() + 3
                    while time.monotonic() < deadline:
                        self.assertEqual(["keloe6100_0"], [b["board"] for b in sim.boards()])
                        time.sleep(0.05)
            finally:
                errors = server.stop()
            self.assertGreater(errors.count("\n"), 1000)
            self.assertIn("noisy.script:1:", errors)

    def test_a_server_that_cannot_start_says_why(self):
        with self.assertRaises(corvane_sim.SimulatorError) as caught:
            corvane_sim.Server(boards="kelo9999", runner=RUNNER).start()
        self.assertIn('--boards: bad item "kelo9999": unknown node prefix', str(caught.exception))


if __name__ == "__main__":
    unittest.main()
