"""Interrupt callbacks from the library's interrupt thread into Python.

Runs over the same simulated boards as test_api. Scenarios that could deadlock run in a
child process with a time limit, so that a regression fails instead of hanging.
"""
import faulthandler
import gc
import json
import os
import subprocess
import sys
import textwrap
import threading
import time
import unittest
import weakref

import corvane
import simcontrol as sim

# A suite that hangs prints every thread's stack and ends before CTest's limit.
faulthandler.dump_traceback_later(240, exit=True)

E6100 = "keloe6100_0"
K3100 = "kelo3100_0"
WAIT = 10.0
IOCTL_TEST_INTERRUPTS = 0xC0084107
TEST_INTERRUPT_SOURCE = 0x80000000  # what the simulated driver reports for a test interrupt


def wait_for(predicate, timeout=WAIT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.01)
    return predicate()


def run_child(script, timeout=60):
    """Runs script in a fresh interpreter over the same boards; returns (rc, stdout, stderr)."""
    # close_fds=False: CPython 3.10 starts children with vfork, and a child closing the
    # inherited descriptors would make the preloaded simulator of this process forget
    # its boards (the simulator's close runs in the memory the child shares with us).
    result = subprocess.run([sys.executable, "-c", textwrap.dedent(script)],
                            capture_output=True, text=True, timeout=timeout, close_fds=False)
    return result.returncode, result.stdout, result.stderr


class Recorder:
    """A callable that keeps what it receives."""

    def __init__(self):
        self.calls = []
        self.lock = threading.Lock()

    def __call__(self, device, data):
        with self.lock:
            self.calls.append((device, data))

    def count(self):
        with self.lock:
            return len(self.calls)


class InterruptTestBase(unittest.TestCase):
    node = E6100

    def setUp(self):
        self.board = corvane.DeviceDiscovery.get_device_from_id(self.node)
        self.interrupts = self.board.interrupt()

    def tearDown(self):
        self.interrupts.disable_card_interrupts()
        self.assertFalse(self.interrupts.is_interrupt_active())


class DeliveryTest(InterruptTestBase):
    def test_interrupts_arrive_in_order_as_independent_copies(self):
        recorder = Recorder()
        self.interrupts.set_card_interrupt_callback(recorder)
        self.interrupts.enable_card_interrupts()
        self.assertTrue(self.interrupts.is_interrupt_active())
        count = 25
        for i in range(count):
            sim.queue_interrupt(E6100, source=100 + i, mask=1 << (i % 32), args=[i, i * 2, 7])
        self.assertTrue(wait_for(lambda: recorder.count() == count), "only %d interrupts" % recorder.count())
        self.interrupts.disable_card_interrupts()
        # Every record is its own object and keeps its values after the callback returned.
        devices = [device for device, _ in recorder.calls]
        datas = [data for _, data in recorder.calls]
        self.assertEqual(len({id(d) for d in devices}), count)
        self.assertEqual(len({id(d) for d in datas}), count)
        for i, (device, data) in enumerate(recorder.calls):
            self.assertIsInstance(device, corvane.VelmorDeviceStruct)
            self.assertIsInstance(data, corvane.InterruptData)
            self.assertEqual(device.id, E6100)
            self.assertEqual(device.general.product_name, "keloe6100")
            self.assertEqual(data.interrupt_source, 100 + i)
            self.assertEqual(data.interrupt_mask, 1 << (i % 32))
            self.assertEqual(data.args, [i, i * 2, 7])

    def test_args_count_beyond_the_record_is_clamped(self):
        recorder = Recorder()
        self.interrupts.set_card_interrupt_callback(recorder)
        self.interrupts.enable_card_interrupts()
        sim.queue_interrupt_raw(E6100, 1, 0, 40, list(range(1, 33)))
        sim.queue_interrupt_raw(E6100, 2, 0, 0, [9, 9])
        self.assertTrue(wait_for(lambda: recorder.count() == 2))
        self.assertEqual(recorder.calls[0][1].args, list(range(1, 33)))
        self.assertEqual(recorder.calls[1][1].args, [])

    def test_raising_callback_is_reported_and_next_interrupt_delivered(self):
        reported = []
        delivered = []

        def hook(unraisable):
            reported.append((unraisable.exc_type, str(unraisable.exc_value), unraisable.object))

        def callback(device, data):
            if data.interrupt_source == 1:
                raise ValueError("callback failed on purpose")
            delivered.append(data.interrupt_source)

        previous = sys.unraisablehook
        sys.unraisablehook = hook
        try:
            self.interrupts.set_card_interrupt_callback(callback)
            self.interrupts.enable_card_interrupts()
            sim.queue_interrupt(E6100, source=1)
            sim.queue_interrupt(E6100, source=2)
            self.assertTrue(wait_for(lambda: delivered == [2]), delivered)
            self.assertTrue(self.interrupts.is_interrupt_active())
        finally:
            sys.unraisablehook = previous
        self.assertEqual(len(reported), 1, reported)
        self.assertIs(reported[0][0], ValueError)
        self.assertEqual(reported[0][1], "callback failed on purpose")
        self.assertIs(reported[0][2], callback)

    def test_replaced_callback_is_released(self):
        first = Recorder()
        watcher = weakref.ref(first)
        self.interrupts.set_card_interrupt_callback(first)
        self.interrupts.enable_card_interrupts()
        sim.queue_interrupt(E6100, source=1)
        self.assertTrue(wait_for(lambda: first.count() == 1))
        second = Recorder()
        self.interrupts.set_card_interrupt_callback(second)
        del first
        # The interrupt thread may hold the last copy for a moment; it drops it (under the
        # interpreter lock) after its current call.
        self.assertTrue(wait_for(lambda: gc.collect() >= 0 and watcher() is None), "callable kept")
        sim.queue_interrupt(E6100, source=2)
        self.assertTrue(wait_for(lambda: second.count() == 1))
        self.assertEqual(second.calls[0][1].interrupt_source, 2)

    def test_test_interrupt_reaches_the_callback(self):
        recorder = Recorder()
        self.interrupts.set_card_interrupt_callback(recorder)
        self.interrupts.enable_card_interrupts()
        sim.trace_clear()
        self.interrupts.test_card_interrupts()
        self.assertTrue(wait_for(lambda: recorder.count() == 1))
        device, data = recorder.calls[0]
        self.assertEqual(device.id, E6100)
        self.assertEqual((data.interrupt_source, data.interrupt_mask, data.args), (TEST_INTERRUPT_SOURCE, 0, []))
        # One command without an argument, then the interrupt thread's fetch.
        trace = [(node, command, sent) for node, command, sent, _ in sim.trace()]
        self.assertEqual(trace[0], (E6100, IOCTL_TEST_INTERRUPTS, b""))
        self.assertIn((E6100, sim.IOCTL_GET_INTERRUPT_INFORMATIONS), [entry[:2] for entry in trace[1:]])

    def test_test_interrupt_waits_in_the_driver_until_enabled(self):
        recorder = Recorder()
        self.interrupts.set_card_interrupt_callback(recorder)
        self.interrupts.test_card_interrupts()
        self.assertEqual(sim.pending_interrupts(E6100), 1)
        self.interrupts.enable_card_interrupts()
        self.assertTrue(wait_for(lambda: recorder.count() == 1))
        self.assertEqual(recorder.calls[0][1].interrupt_source, TEST_INTERRUPT_SOURCE)

    def test_test_interrupt_without_callback_is_dropped(self):
        self.interrupts.enable_card_interrupts()
        sim.queue_interrupt(E6100, source=1)
        self.assertTrue(wait_for(lambda: sim.pending_interrupts(E6100) == 0))
        self.assertTrue(self.interrupts.is_interrupt_active())


class SecondBoardTest(InterruptTestBase):
    node = K3100

    def test_boards_deliver_independently(self):
        first = Recorder()
        second = Recorder()
        other = corvane.DeviceDiscovery.get_device_from_id(E6100).interrupt()
        self.interrupts.set_card_interrupt_callback(first)
        other.set_card_interrupt_callback(second)
        self.interrupts.enable_card_interrupts()
        other.enable_card_interrupts()
        try:
            for i in range(10):
                sim.queue_interrupt(K3100, source=i)
                sim.queue_interrupt(E6100, source=50 + i)
            self.assertTrue(wait_for(lambda: first.count() == 10 and second.count() == 10))
        finally:
            other.disable_card_interrupts()
        self.assertEqual([d.interrupt_source for _, d in first.calls], list(range(10)))
        self.assertEqual([d.interrupt_source for _, d in second.calls], list(range(50, 60)))
        self.assertTrue(all(dev.id == K3100 for dev, _ in first.calls))


class LockTest(unittest.TestCase):
    def test_disable_while_callback_waits_for_the_interpreter_lock(self):
        rc, out, err = run_child("""
            import ctypes, json, os, sys, time
            import corvane, simcontrol as sim
            node = b"keloe6100_0"
            interrupts = corvane.DeviceDiscovery.get_device_from_id("keloe6100_0").interrupt()
            calls = []
            interrupts.set_card_interrupt_callback(lambda device, data: calls.append(data.interrupt_source))
            interrupts.enable_card_interrupts()
            # From here the main thread keeps the interpreter lock: calls through PyDLL do
            # not release it, and no switch is forced for a minute.
            sys.setswitchinterval(60)
            held = ctypes.PyDLL(sim._library()._name)
            libc = ctypes.PyDLL(None)
            data = sim.InterruptData()
            data.interrupt_source = 7
            held.corvane_sim_queue_interrupt(node, ctypes.byref(data))
            deadline = time.monotonic() + 10
            while held.corvane_sim_pending_interrupts(node) != 0 and time.monotonic() < deadline:
                libc.usleep(1000)
            libc.usleep(300000)
            # The interrupt thread has taken the interrupt and waits for the lock.
            waiting = held.corvane_sim_pending_interrupts(node) == 0 and calls == []
            start = time.monotonic()
            interrupts.disable_card_interrupts()
            elapsed = time.monotonic() - start
            sys.setswitchinterval(0.005)
            print(json.dumps({"waiting": waiting, "calls": calls, "elapsed": elapsed,
                              "active": interrupts.is_interrupt_active()}))
        """)
        self.assertEqual(rc, 0, err)
        result = json.loads(out)
        self.assertTrue(result["waiting"], result)
        self.assertEqual(result["calls"], [7])
        self.assertFalse(result["active"])
        self.assertLess(result["elapsed"], 5.0)

    def test_disable_from_inside_the_callback_and_enable_again(self):
        # The callback is still running (outside the interpreter lock) when the main thread
        # enables interrupts again, which joins the stopped thread first.
        rc, out, err = run_child("""
            import json, threading, time
            import corvane, simcontrol as sim
            interrupts = corvane.DeviceDiscovery.get_device_from_id("keloe6100_0").interrupt()
            done = threading.Event()
            def callback(device, data):
                interrupts.disable_card_interrupts()
                done.set()
                time.sleep(0.3)
            interrupts.set_card_interrupt_callback(callback)
            interrupts.enable_card_interrupts()
            sim.queue_interrupt("keloe6100_0", source=5)
            stopped = done.wait(10)
            inactive = not interrupts.is_interrupt_active()
            calls = []
            interrupts.set_card_interrupt_callback(lambda device, data: calls.append(data.interrupt_source))
            interrupts.enable_card_interrupts()
            sim.queue_interrupt("keloe6100_0", source=6)
            deadline = time.monotonic() + 10
            while not calls and time.monotonic() < deadline:
                time.sleep(0.01)
            interrupts.disable_card_interrupts()
            print(json.dumps({"stopped": stopped, "inactive": inactive, "calls": calls}))
        """)
        self.assertEqual(rc, 0, err)
        self.assertEqual(json.loads(out), {"stopped": True, "inactive": True, "calls": [6]})

    def test_dropping_every_reference_with_interrupts_enabled(self):
        rc, out, err = run_child("""
            import gc, json, threading
            import corvane, simcontrol as sim
            got = threading.Event()
            calls = []
            def callback(device, data):
                calls.append((device.id, data.interrupt_source))
                got.set()
            board = corvane.DeviceDiscovery.get_device_from_id("keloe6100_0")
            interrupts = board.interrupt()
            interrupts.set_card_interrupt_callback(callback)
            interrupts.enable_card_interrupts()
            del board, interrupts
            gc.collect()
            sim.queue_interrupt("keloe6100_0", source=3)
            delivered = got.wait(10)
            print(json.dumps({"delivered": delivered, "calls": calls}), flush=True)
            # The process ends with interrupts enabled and more interrupts arriving.
            for i in range(20):
                sim.queue_interrupt("keloe6100_0", source=10 + i)
        """)
        self.assertEqual(rc, 0, err)
        result = json.loads(out)
        self.assertTrue(result["delivered"])
        self.assertEqual(result["calls"][0], ["keloe6100_0", 3])
        self.assertNotIn("leaked", err)

    def test_exit_while_a_callback_runs(self):
        rc, out, err = run_child("""
            import threading, time
            import corvane, simcontrol as sim
            started = threading.Event()
            def callback(device, data):
                started.set()
                time.sleep(0.3)
            interrupts = corvane.DeviceDiscovery.get_device_from_id("kelo3100_0").interrupt()
            interrupts.set_card_interrupt_callback(callback)
            interrupts.enable_card_interrupts()
            for i in range(5):
                sim.queue_interrupt("kelo3100_0", source=i)
            started.wait(10)
            print("exiting", flush=True)
        """)
        self.assertEqual(rc, 0, err)
        self.assertEqual(out.strip(), "exiting")
        self.assertNotIn("leaked", err)


if __name__ == "__main__":
    unittest.main()
