"""A test of an application's interrupt handler, without boards, in Python.

The boards run in a simulator server; this process uses them through the library (run it
with corvane-sim --connect SOCKET) and drives them through corvane_sim, the server's Python
client: a timer under a virtual clock, an input, a hand-made interrupt and a driver failure.

    corvane-sim --connect SOCKET -- python3 handler_test.py SOCKET
"""
import sys
import threading

import corvane
import corvane_sim


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
        """The count of a kind once it reached expected, or after 5 s."""
        with self.changed:
            self.changed.wait_for(lambda: self.counts[kind] >= expected, timeout=5)
            return self.counts[kind]


failures = 0


def expect(what: str, actual: int, expected: int) -> None:
    global failures
    print(f"{what:<44} {actual}{'' if actual == expected else '   <-- FAILED'}")
    failures += actual != expected


def main() -> int:
    sim = corvane_sim.Client(sys.argv[1])
    sim.clock("virtual")  # nothing moves until the test advances the clock
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
        sim.advance("50ms")
        expect("timer interrupts after 50 ms", handler.wait("timer", 5), 5)
        timer.stop_timer(timer=0)

        # An input: rising edges of input 4 interrupt, its falling edge does not.
        digital = board.digital_io()
        digital.set_interrupt_event_for_one_input(channel=4, event=corvane.DIGITAL_EVENT_TYPE.RISING_EDGE)
        digital.enable_digital_interrupt()
        for state in (True, False, True):
            sim.set_input(board_id, 4, state)
        expect("input interrupts after 0->1->0->1", handler.wait("input", 2), 2)

        # A record the model never raises, to test the handler's other branch.
        sim.interrupt(board_id, 0x40, 0)
        expect("other interrupts", handler.wait("other", 1), 1)

        # A driver failure: the next IoctlGetDigitalInputs fails with EIO.
        sim.fail(board_id, "IoctlGetDigitalInputs", "EIO")
        try:
            digital.read_all_digital_input()
            expect("first read of the inputs failed", 0, 1)
        except corvane.CorvaneError as error:
            print(f"{'first read of the inputs':<44} 0x{error.code:08X}")
        expect("inputs on the second read (input 4 on: 16)", digital.read_all_digital_input(), 0x10)

        # The trace: what the library sent for one output write.
        before = len(sim.trace())
        digital.write_single_digital_output(channel=5, state=True)
        entry = sim.trace()[before]
        print(f"{'command sent for output 5 on':<44} {entry['name']}: {entry['sent'].hex(' ')}")
    finally:
        interrupts.disable_card_interrupts()
        sim.close()
    print("all expectations met" if failures == 0 else "some expectations failed")
    return 0 if failures == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
