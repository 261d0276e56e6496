"""--interrupts: the library's interrupt thread counts each board's interrupts while the
server thread answers for them (also under ThreadSanitizer)."""

import time
import unittest

from gateway_support import SLOW, GatewayTestCase, run_gateway

KELO4210, KELOE6100 = 1, 2


class Interrupts(GatewayTestCase):
    BOARDS = "keloe6100,kelo4210"

    def counters(self, client):
        r = client.read_input_registers(400, 6, slave=KELOE6100)
        self.assertFalse(r.isError(), r)
        return r.registers

    def test_interrupts_are_counted_with_the_last_source_and_mask(self):
        g = self.gateway("--interrupts")
        c = self.client(g)
        self.assertEqual([0] * 6, self.counters(c))
        for n in range(1, 4):
            self.sim.interrupt("keloe6100_0", 0x80000000 | n, 1 << (n + 28))
        deadline = time.monotonic() + 10 * SLOW
        while self.counters(c)[1] < 3 and time.monotonic() < deadline:
            time.sleep(0.01)
        self.assertEqual([0, 3, 0x8000, 3, 0x8000, 0], self.counters(c))
        self.assertEqual(2, c.read_input_registers(400, 1, slave=KELO4210).exception_code)
        self.assertEqual(0, g.stop())
        log = g.log()
        self.assertIn("board kelo4210_0 has no interrupts: nothing to count", log)
        self.assertIn("interrupts of keloe6100_0 disabled (3 counted)", log)
        self.assertEqual(0, self.sim.state("keloe6100_0")["pending_interrupts"])

    def test_without_interrupts_there_are_no_counters(self):
        g = self.gateway()
        c = self.client(g)
        self.assertEqual(2, c.read_input_registers(400, 6, slave=KELOE6100).exception_code)

    def test_interrupts_that_cannot_be_enabled_stop_the_start(self):
        self.sim.fail("keloe6100_0", "IoctlEnableInterrupts", "EIO")
        status, out, err = run_gateway(self.server, "--interrupts")
        self.assertEqual(1, status)
        self.assertRegex(err, r"cannot enable the interrupts of keloe6100_0: \[CorvaneException\] Code: 0x86000f08 ")
        self.assertNotIn("listening", err)


if __name__ == "__main__":
    unittest.main()
