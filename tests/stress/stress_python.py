"""The corvane module under load: a long stream of interrupts into a Python callback while
the main thread calls methods, then enable/disable cycles on four boards at once, and an
exit with interrupts still arriving. Sizes follow CORVANE_STRESS_SCALE (or, when unset,
CORVANE_STRESS_DEFAULT_SCALE); full size: 100,000 interrupts and 1,000 cycles.
"""
import ctypes
import os
import threading
import time
import unittest

import corvane

BOARDS = ["keloe6100_0", "keloe6100_1", "keloe6100_2", "keloe6100_3"]
QUEUE_SIZE = 4096
SOURCE = 0x40


def scaled(full, minimum):
    text = os.environ.get("CORVANE_STRESS_SCALE") or os.environ.get("CORVANE_STRESS_DEFAULT_SCALE") or "1"
    return max(minimum, int(full * float(text) + 0.5))


class InterruptData(ctypes.Structure):
    _fields_ = [("interrupt_source", ctypes.c_uint32), ("interrupt_mask", ctypes.c_uint32),
                ("args_count", ctypes.c_uint32), ("args", ctypes.c_uint32 * 32)]


SIM = ctypes.CDLL(None)
SIM.corvane_sim_queue_interrupt.argtypes = [ctypes.c_char_p, ctypes.POINTER(InterruptData)]
SIM.corvane_sim_pending_interrupts.argtypes = [ctypes.c_char_p]
SIM.corvane_sim_dropped_interrupts.argtypes = [ctypes.c_char_p]
SIM.corvane_sim_dropped_interrupts.restype = ctypes.c_long
SIM.corvane_sim_set_trace_limit.argtypes = [ctypes.c_size_t]


def queue(node, sequence):
    record = InterruptData(SOURCE, 0, 1)
    record.args[0] = sequence
    return SIM.corvane_sim_queue_interrupt(node.encode(), ctypes.byref(record)) >= 0


def pending(node):
    return SIM.corvane_sim_pending_interrupts(node.encode())


def resources():
    # A thread that was just joined may still be leaving the task list: wait (up to a
    # second) until only the threads Python knows of remain.
    deadline = time.monotonic() + 1.0
    while len(os.listdir("/proc/self/task")) > threading.active_count() and time.monotonic() < deadline:
        time.sleep(0.01)
    with open("/proc/self/status") as status:
        rss = next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))
    return len(os.listdir("/proc/self/fd")), len(os.listdir("/proc/self/task")), rss


class Stream:
    """The callback: counts the interrupts and those out of sequence."""

    def __init__(self):
        self.count = 0
        self.out_of_order = 0

    def __call__(self, device, data):
        if data.args != [self.count] or data.interrupt_source != SOURCE:
            self.out_of_order += 1
        self.count += 1


class StressTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        SIM.corvane_sim_set_trace_limit(0)

    def test_1_interrupt_stream_while_the_main_thread_calls(self):
        total = scaled(100000, 500)
        board = corvane.DeviceDiscovery.get_device_from_id(BOARDS[0])
        dio = board.digital_io()
        dio.set_output_memory_on()
        interrupts = board.interrupt()
        stream = Stream()
        interrupts.set_card_interrupt_callback(stream)
        interrupts.enable_card_interrupts()
        start = time.monotonic()
        queued = calls = wrong = 0
        deadline = start + 600
        while stream.count < total and time.monotonic() < deadline:
            if queued < total and pending(BOARDS[0]) < QUEUE_SIZE - 256:
                for _ in range(min(256, total - queued)):
                    self.assertTrue(queue(BOARDS[0], queued))
                    queued += 1
            channel = calls % 32
            dio.write_single_digital_output(channel, True)
            if dio.get_digital_output_status() & (1 << channel) == 0:
                wrong += 1
            dio.write_single_digital_output(channel, False)
            calls += 3
        elapsed = time.monotonic() - start
        interrupts.disable_card_interrupts()
        dropped = SIM.corvane_sim_dropped_interrupts(BOARDS[0].encode())
        print("\n%d queued, %d delivered, %d lost, %d out of order, %d dropped by the FIFO in %.2f s "
              "(%.0f interrupts/s); %d method calls on the main thread meanwhile, %d wrong"
              % (queued, stream.count, queued - stream.count, stream.out_of_order, dropped, elapsed,
                 stream.count / elapsed, calls, wrong))
        self.assertEqual((stream.count, stream.out_of_order, dropped, wrong), (total, 0, 0, 0))

    def test_2_enable_disable_cycles(self):
        total = scaled(1000, 8)
        devices = [corvane.DeviceDiscovery.get_device_from_id(node) for node in BOARDS]
        streams = [Stream() for _ in BOARDS]
        for device, stream in zip(devices, streams):
            device.interrupt().set_card_interrupt_callback(stream)
        failures = []

        def cycle(index, count):
            interrupts = devices[index].interrupt()
            try:
                for i in range(count):
                    interrupts.enable_card_interrupts()
                    if i % 2 and pending(BOARDS[index]) < 64:
                        queue(BOARDS[index], 0)
                    interrupts.disable_card_interrupts()
            except Exception as error:  # reported below, on the main thread
                failures.append(error)

        def run(count):
            threads = [threading.Thread(target=cycle, args=(b, count // len(BOARDS) + (b < count % len(BOARDS))))
                       for b in range(len(BOARDS))]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()

        run(len(BOARDS))  # warm-up
        before = resources()
        start = time.monotonic()
        run(total)
        elapsed = time.monotonic() - start
        after = resources()
        print("\n%d enable/disable cycles on %d boards in %.1f s; descriptors %d -> %d, threads %d -> %d, "
              "RSS %d kB -> %d kB" % (total, len(BOARDS), elapsed, before[0], after[0], before[1], after[1],
                                      before[2], after[2]))
        self.assertEqual(failures, [])
        self.assertEqual(before[:2], after[:2])

    def test_3_exit_while_interrupts_arrive(self):
        # The interpreter ends with this board's interrupts enabled and its FIFO full of
        # interrupts: the run must still end cleanly (CTest checks the exit status and
        # that no fatal error was printed).
        board = corvane.DeviceDiscovery.get_device_from_id(BOARDS[1])
        board.interrupt().set_card_interrupt_callback(Stream())
        board.interrupt().enable_card_interrupts()
        for sequence in range(1000):
            queue(BOARDS[1], sequence)
        self.assertTrue(board.interrupt().is_interrupt_active())


if __name__ == "__main__":
    unittest.main()
