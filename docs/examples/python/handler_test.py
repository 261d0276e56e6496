"""A test of an application's interrupt handler, without boards, in Python: run it under
corvane-sim, which loads the simulator into the interpreter; its control functions are
then reachable through ctypes. The test runs a timer under a virtual clock, drives an
input and makes the driver fail once."""
import ctypes
import sys
import threading

import corvane


class InterruptData(ctypes.Structure):
    """The driver's interrupt record, as the simulator's control functions take it."""
    _fields_ = [("interrupt_source", ctypes.c_uint32), ("interrupt_mask", ctypes.c_uint32),
                ("args_count", ctypes.c_uint32), ("args", ctypes.c_uint32 * 32)]


class Simulator:
    """The few control functions of corvane_sim.h this test uses."""
    CLOCK_VIRTUAL = 1

    def __init__(self) -> None:
        lib = ctypes.CDLL(None)  # the simulator preloaded by corvane-sim
        if not hasattr(lib, "corvane_sim_set_clock"):
            raise SystemExit("run this under corvane-sim")
        self.set_clock = lib.corvane_sim_set_clock
        self.advance_ns = lib.corvane_sim_advance_ns
        self.advance_ns.argtypes = [ctypes.c_uint64]
        self.set_input = lib.corvane_sim_set_input
        self.set_input.argtypes = [ctypes.c_char_p, ctypes.c_uint, ctypes.c_int]
        self.queue_interrupt = lib.corvane_sim_queue_interrupt
        self.queue_interrupt.argtypes = [ctypes.c_char_p, ctypes.POINTER(InterruptData)]
        self.fail = lib.corvane_sim_fail
        self.fail.argtypes = [ctypes.c_char_p, ctypes.c_uint32, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                              ctypes.c_void_p]


class Handler:
    """The application's handler under test: counts what arrives, by source."""
    TIMER, INPUT = 0x2, 0x1  # the sources the simulated boards give

    def __init__(self) -> None:
        self.counts = {"timer": 0, "input": 0, "other": 0}
        self.changed = threading.Condition()

    def __call__(self, device: corvane.VelmorDeviceStruct, data: corvane.InterruptData) -> None:
        kind = {self.TIMER: "timer", self.INPUT: "input"}.get(data.interrupt_source, "other")
        with self.changed:
            self.counts[kind] += 1
            self.changed.notify_all()

    def wait(self, kind: str, expected: int) -> int:
        with self.changed:
            self.changed.wait_for(lambda: self.counts[kind] >= expected, timeout=5)
            return self.counts[kind]


failures = 0


def expect(what: str, actual: int, expected: int) -> None:
    global failures
    print(f"{what:<44} {actual}{'' if actual == expected else '   <-- FAILED'}")
    failures += actual != expected


def main() -> int:
    sim = Simulator()
    sim.set_clock(Simulator.CLOCK_VIRTUAL)
    board_id = "keloe6100_0"
    board = corvane.DeviceDiscovery.get_device_from_id(board_id)
    handler = Handler()

    interrupts = board.interrupt()
    interrupts.set_card_interrupt_callback(handler)
    interrupts.enable_card_interrupts()
    try:
        # A timer: timer 0 every 10 ms; 50 ms of virtual time give exactly 5 expiries.
        timer = board.timer()
        timer.init_timer(timer=0, timebase=corvane.TIMEBASE_UNITS.MILLISECOND, reload_value=10, options=0)
        timer.enable_timer_interrupt(timer=0)
        timer.start_timer(timer=0)
        sim.advance_ns(50_000_000)
        expect("timer interrupts after 50 ms", handler.wait("timer", 5), 5)
        timer.stop_timer(timer=0)

        # An input: rising edges of input 4 interrupt, its falling edge does not.
        digital = board.digital_io()
        digital.set_interrupt_event_for_one_input(channel=4, event=corvane.DIGITAL_EVENT_TYPE.RISING_EDGE)
        digital.enable_digital_interrupt()
        for state in (1, 0, 1):
            sim.set_input(board_id.encode(), 4, state)
        expect("input interrupts after 0->1->0->1", handler.wait("input", 2), 2)

        # A record the model never raises, to test the handler's other branch.
        sim.queue_interrupt(board_id.encode(), InterruptData(interrupt_source=0x40))
        expect("other interrupts", handler.wait("other", 1), 1)

        # A driver failure: the next IoctlGetDigitalInputs (0xC0084110) fails with EIO (5).
        sim.fail(board_id.encode(), 0xC0084110, -1, 5, 1, None)
        try:
            digital.read_all_digital_input()
            expect("first read of the inputs failed", 0, 1)
        except corvane.CorvaneError as error:
            print(f"{'first read of the inputs':<44} 0x{error.code:08X}")
        expect("inputs on the second read (input 4 on: 16)", digital.read_all_digital_input(), 0x10)
    finally:
        interrupts.disable_card_interrupts()
    print("all expectations met" if failures == 0 else "some expectations failed")
    return 0 if failures == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
