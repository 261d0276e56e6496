"""corvane-modbus over a simulator server, answering pymodbus (a client we did not write):
what it reads and writes is checked in the simulator's state, and each refusal comes
with its Modbus exception and its log line."""

import os
import signal
import socket
import tempfile
import unittest

from gateway_support import GatewayTestCase, closed_by_peer, receive_frame, request, run_gateway

# BOARDS in identifier order: the default units.
K3100, K4210, KE6100 = 1, 2, 3


def bits(word, count=32):
    return [bool(word >> n & 1) for n in range(count)]


class Serving(GatewayTestCase):
    def setUp(self):
        self.g = self.gateway("--allow-write")
        self.c = self.client(self.g)

    def test_discrete_inputs_follow_the_simulated_inputs(self):
        for word in (0x80000001, 0x7FFFFFFE, 0x00010000, 0):
            self.sim.set_inputs("keloe6100_0", word)
            r = self.c.read_discrete_inputs(0, 32, slave=KE6100)
            self.assertFalse(r.isError(), r)
            self.assertEqual(bits(word), r.bits[:32])
            self.assertEqual([word >> 16, word & 0xFFFF], self.c.read_input_registers(0, 2, slave=KE6100).registers)
        self.sim.set_inputs("kelo3100_0", 0x8001)
        self.assertEqual(bits(0x8001, 16), self.c.read_discrete_inputs(0, 16, slave=K3100).bits[:16])
        self.assertEqual([0, 0x8001], self.c.read_input_registers(0, 2, slave=K3100).registers)

    def test_coils_write_one_and_several_outputs(self):
        self.assertFalse(self.c.write_coil(31, True, slave=KE6100).isError())
        self.assertEqual(0x80000000, self.sim.state("keloe6100_0")["outputs"])
        pattern = [n % 3 == 0 for n in range(32)]
        self.assertFalse(self.c.write_coils(0, pattern, slave=KE6100).isError())
        expected = sum(1 << n for n in range(32) if pattern[n])
        self.assertEqual(expected, self.sim.state("keloe6100_0")["outputs"])
        self.assertEqual(pattern, self.c.read_coils(0, 32, slave=KE6100).bits[:32])
        self.assertEqual([expected >> 16, expected & 0xFFFF], self.c.read_input_registers(2, 2, slave=KE6100).registers)
        self.assertFalse(self.c.write_coil(0, False, slave=KE6100).isError())
        self.assertEqual(expected & ~1, self.sim.state("keloe6100_0")["outputs"])
        self.assertFalse(self.c.write_coils(14, [True, True], slave=K3100).isError())
        self.assertEqual(0xC000, self.sim.state("kelo3100_0")["outputs"])

    def test_timer_value_and_status_as_the_simulator_counts_them(self):
        self.sim.clock("virtual")
        self.addCleanup(self.sim.clock, "real")
        self.unit_setup("keloe6100_0", "timer", 0, 1000)
        self.sim.advance("250ms")
        self.assertEqual([0, 750, 1, 0, 0], self.c.read_input_registers(100, 5, slave=KE6100).registers)
        self.sim.advance("2s")  # two more expiries; the status read reports and clears them
        self.assertEqual([0, 750, 1, 1, 2], self.c.read_input_registers(100, 5, slave=KE6100).registers)
        self.assertEqual([1, 0, 0], self.c.read_input_registers(102, 3, slave=KE6100).registers)

    def test_counter_value(self):
        self.unit_setup("keloe6100_0", "counter", 0, 100)  # counts rising edges of input 0, down
        for _ in range(3):
            self.sim.set_input("keloe6100_0", 0, True)
            self.sim.set_input("keloe6100_0", 0, False)
        self.assertEqual([0, 97], self.c.read_input_registers(200, 2, slave=KE6100).registers)

    def test_port_board_registers(self):
        self.sim.set_port("kelo4210_0", 11, 0x81)
        self.assertEqual([0x81], self.c.read_input_registers(21, 1, slave=K4210).registers)
        self.assertEqual(bits(0x81, 8), self.c.read_discrete_inputs(88, 8, slave=K4210).bits[:8])
        self.assertFalse(self.c.write_register(0, 0xFFF, slave=K4210).isError())
        self.assertEqual(0xFFF, self.sim.state("kelo4210_0")["port_directions"])
        self.assertEqual([0xFFF], self.c.read_holding_registers(0, 1, slave=K4210).registers)
        self.assertFalse(self.c.write_registers(10, [0xA5, 0x5A], slave=K4210).isError())
        self.assertFalse(self.c.write_register(21, 0xFF, slave=K4210).isError())
        outputs = self.sim.state("kelo4210_0")["port_outputs"]
        self.assertEqual([0xA5, 0x5A], outputs[:2])
        self.assertEqual(0xFF, outputs[11])
        self.assertEqual([0xA5, 0x5A], self.c.read_holding_registers(10, 2, slave=K4210).registers)
        self.assertEqual([0xA5, 0x5A], self.c.read_input_registers(30, 2, slave=K4210).registers)
        self.assertFalse(self.c.write_coil(95, False, slave=K4210).isError())  # port 11, bit 7
        self.assertEqual(0x7F, self.sim.state("kelo4210_0")["port_outputs"][11])


class Units(GatewayTestCase):
    BOARDS = "keloe6100,kelo4210"

    def test_units_named_on_the_command_line(self):
        g = self.gateway("--unit", "keloe6100_0=247")
        c = self.client(g)
        self.sim.set_inputs("keloe6100_0", 0x5)
        self.assertEqual(bits(5, 8), c.read_discrete_inputs(0, 8, slave=247).bits)
        for unit in (1, 2, 0):  # kelo4210_0 is not served; 0 is no unit
            r = c.read_discrete_inputs(0, 8, slave=unit)
            self.assertTrue(r.isError())
            self.assertEqual(0x0B, r.exception_code)
        self.assertIn("no board is served as unit 2", g.log())


class Refusals(GatewayTestCase):
    def test_writes_without_allow_write(self):
        g = self.gateway()
        c = self.client(g)
        before = self.sim.state("keloe6100_0")["outputs"]
        for r in (c.write_coil(3, True, slave=KE6100), c.write_coils(0, [True] * 8, slave=KE6100),
                  c.write_register(0, 1, slave=K4210), c.write_registers(10, [1, 2], slave=K4210)):
            self.assertTrue(r.isError())
            self.assertEqual(1, r.exception_code)
        self.assertEqual(before, self.sim.state("keloe6100_0")["outputs"])
        self.assertEqual(0, self.sim.state("kelo4210_0")["port_directions"])
        self.assertTrue(g.wait_for_log(r"unit 3 function 5 address 3 count 1: exception 1, illegal function: "
                                       r"writes are not allowed \(start with --allow-write\)"))
        self.assertFalse(c.read_coils(0, 8, slave=KE6100).isError())

    def test_unmapped_addresses_and_values_out_of_range(self):
        g = self.gateway("--allow-write")
        c = self.client(g)
        cases = [
            (c.read_discrete_inputs(32, 1, slave=KE6100), 2),
            (c.read_coils(16, 1, slave=K3100), 2),
            (c.read_holding_registers(0, 1, slave=KE6100), 2),
            (c.read_input_registers(110, 1, slave=KE6100), 2),
            (c.read_input_registers(22, 1, slave=K4210), 2),
            (c.write_register(0, 0x1000, slave=K4210), 3),
            (c.write_register(10, 0x100, slave=K4210), 3),
        ]
        for r, code in cases:
            self.assertTrue(r.isError(), r)
            self.assertEqual(code, r.exception_code, r)
        self.assertIn("discrete inputs 32 is not in the map of keloe6100_0", g.log())
        self.assertIn("register 10: port outputs 256 are outside 0 to 255", g.log())

    def test_driver_failure(self):
        g = self.gateway()
        c = self.client(g)
        self.sim.fail("keloe6100_0", "IoctlGetDigitalInputs", "EIO")
        r = c.read_discrete_inputs(0, 8, slave=KE6100)
        self.assertTrue(r.isError())
        self.assertEqual(4, r.exception_code)
        self.assertTrue(g.wait_for_log(
            r"exception 4, server device failure: library failure on keloe6100_0: "
            r"\[CorvaneException\] Code: 0x86000f08 .*IoctlGetDigitalInputs.*Injected failure"))
        self.assertFalse(c.read_discrete_inputs(0, 8, slave=KE6100).isError())

    def test_clients_outside_allow_are_closed(self):
        g = self.gateway("--allow", "10.0.0.0/8", "--allow", "fd00::/8")
        with g.raw() as s:
            self.assertTrue(closed_by_peer(s, 5))
        self.assertTrue(g.wait_for_log(r"client 127\.0\.0\.1:\d+ refused: not in an --allow network"))
        g2 = self.gateway("--allow", "127.0.0.0/8")
        self.assertFalse(self.client(g2).read_coils(0, 1, slave=KE6100).isError())

    def test_the_17th_client_is_closed(self):
        g = self.gateway()
        sockets = []
        self.addCleanup(lambda: [s.close() for s in sockets])
        for n in range(16):
            s = g.raw()
            sockets.append(s)
            s.sendall(request(n, KE6100, bytes([2, 0, 0, 0, 1])))
            self.assertEqual(bytes([2, 1]), receive_frame(s)[7:9])
        extra = g.raw()
        self.assertTrue(closed_by_peer(extra, 5))
        extra.close()
        self.assertTrue(g.wait_for_log(r"refused: 16 clients connected, the most --max-clients allows"))
        sockets.pop().close()
        self.assertTrue(g.wait_for_log(r"disconnected"))
        self.assertFalse(self.client(g).read_coils(0, 1, slave=KE6100).isError())


class Stopping(GatewayTestCase):
    BOARDS = "keloe6100"

    def test_signals_close_every_connection_and_exit_0(self):
        for how, name in ((signal.SIGTERM, "SIGTERM"), (signal.SIGINT, "SIGINT")):
            g = self.gateway()
            first, second = g.raw(), g.raw()
            for s in (first, second):
                s.sendall(request(1, 1, bytes([1, 0, 0, 0, 1])))
                self.assertEqual(bytes([1, 1]), receive_frame(s)[7:9])
            self.assertEqual(0, g.stop(how))
            for s in (first, second):
                self.assertTrue(closed_by_peer(s, 1))
                s.close()
            log = g.log()
            self.assertIn("stopping on %s: closing 2 connection(s)" % name, log)
            self.assertEqual(2, log.count("closed: the gateway stops"))
            self.assertTrue(log.rstrip().endswith("stopped"), log)


class Startup(GatewayTestCase):
    BOARDS = "keloe6100,kelo4210"

    def test_what_stops_the_start_and_how(self):
        status, out, err = run_gateway(self.server, "--unit", "keloe6100_9=1")
        self.assertEqual((1, ""), (status, out))
        self.assertRegex(err, r"^\S+ --unit keloe6100_9=1: no board keloe6100_9 \(boards: kelo4210_0, keloe6100_0\)\n$")
        with tempfile.TemporaryDirectory() as directory:  # a log file, and standard error too
            log = os.path.join(directory, "gateway.log")
            status, out, err = run_gateway(self.server, "--log", log, "--unit", "kelo4210_1=1")
            self.assertEqual((1, "corvane-modbus: --unit kelo4210_1=1: no board kelo4210_1 "
                                 "(boards: kelo4210_0, keloe6100_0)\n"), (status, err))
            with open(log) as f:
                self.assertRegex(f.read(), r"^\S+ --unit kelo4210_1=1: no board kelo4210_1 ")
        status, out, err = run_gateway(self.server, "--max-clients", "1001")
        self.assertEqual((2, "", "corvane-modbus: --max-clients 1001: expected a number from 1 to 1000\n"
                             "Try 'corvane-modbus --help'.\n"), (status, out, err))
        status, out, err = run_gateway(self.server, "--help")
        self.assertEqual(0, status)
        self.assertIn("--allow-write", out)
        with socket.socket() as taken:
            taken.bind(("127.0.0.1", 0))
            taken.listen()
            port = taken.getsockname()[1]
            status, out, err = run_gateway(self.server, "--listen", "127.0.0.1:%d" % port)
        self.assertEqual(1, status)
        self.assertRegex(err, r"cannot listen on 127\.0\.0\.1:%d: Address already in use\n$" % port)

    def test_print_map(self):
        status, out, err = run_gateway(self.server, "--print-map", "--unit", "kelo4210_0=5")
        self.assertEqual((0, ""), (status, err))
        self.assertTrue(out.startswith("## Unit 5: kelo4210_0 (kelo4210)\n\n| Table | Addresses | Meaning | Access |\n"), out)
        self.assertIn("| holding registers | 10-21 | outputs of port p = address - 10 (0-255) | read, write |\n", out)
        self.assertNotIn("keloe6100_0", out)


if __name__ == "__main__":
    unittest.main()
