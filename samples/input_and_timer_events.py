"""Input events and timer interrupts as they arrive: a KELOE6100 reports every edge of
input 5 and every expiry of its timer 0 (each 500 ms), and this program prints them.

Over simulated boards, with a script that switches input 5 on and off meanwhile:
    corvane-sim --boards keloe6100 --script samples/input_and_timer_events.script -- \\
        env PYTHONPATH=build/python/3.11 python3.11 samples/input_and_timer_events.py
On a real board, switch input 5 by hand. The first argument is how long to listen, in
seconds (default 3.2).
"""
import queue
import sys
import time

import corvane

BOARD = "keloe6100_0"
INPUT = 5
TIMER = 0
PERIOD_MS = 500

INPUT_EVENT = 0x1  # interrupt_source of an input event
TIMER_EXPIRY = 0x2  # interrupt_source of a timer expiry


def describe(source, mask, args):
    """One line for an interrupt record."""
    if source == INPUT_EVENT:
        inputs = [n for n in range(32) if mask >> n & 1]
        level = args[0] if args else 0
        return "input event: " + ", ".join(
            "input %d %s" % (n, "rose" if level >> n & 1 else "fell") for n in inputs)
    if source == TIMER_EXPIRY:
        timers = [n for n in range(32) if mask >> n & 1]
        expiry = args[1] if len(args) > 1 else 0
        return "timer %s expired (expiry %d)" % (", ".join(str(n) for n in timers), expiry)
    return "interrupt: source 0x%08x, mask 0x%08x, args %s" % (source, mask, args)


def main():
    duration = float(sys.argv[1]) if len(sys.argv) > 1 else 3.2
    board = corvane.DeviceDiscovery.get_device_from_id(BOARD)
    if board is None or board.digital_io() is None or board.timer() is None or board.interrupt() is None:
        print("No %s with inputs, timers and interrupts." % BOARD)
        return 1
    digital, timer, interrupts = board.digital_io(), board.timer(), board.interrupt()

    # The callback runs on the board's interrupt thread: it hands each record over to the
    # main thread, which prints them in order.
    arrived = queue.Queue()

    def on_interrupt(device, data):
        arrived.put((time.monotonic(), data.interrupt_source, data.interrupt_mask, list(data.args)))

    interrupts.set_card_interrupt_callback(on_interrupt)
    digital.set_interrupt_event_for_one_input(INPUT, corvane.DIGITAL_EVENT_TYPE.ANY_EDGE)
    digital.enable_digital_interrupt()
    timer.init_timer(TIMER, corvane.TIMEBASE_UNITS.MILLISECOND, PERIOD_MS, 0)
    timer.enable_timer_interrupt(TIMER)
    start = time.monotonic()
    timer.start_timer(TIMER)
    interrupts.enable_card_interrupts()
    print("Listening %.1f s on %s: every edge of input %d, timer %d every %d ms." % (
        duration, BOARD, INPUT, TIMER, PERIOD_MS), flush=True)
    counts = {INPUT_EVENT: 0, TIMER_EXPIRY: 0}
    try:
        while True:
            left = start + duration - time.monotonic()
            if left <= 0:
                break
            try:
                when, source, mask, args = arrived.get(timeout=left)
            except queue.Empty:
                break
            counts[source] = counts.get(source, 0) + 1
            print("%6.3f s  %s" % (when - start, describe(source, mask, args)), flush=True)
    finally:
        timer.stop_timer(TIMER)
        interrupts.disable_card_interrupts()
    print("Received %d input events and %d timer interrupts." % (counts[INPUT_EVENT], counts[TIMER_EXPIRY]))
    return 0 if counts[INPUT_EVENT] and counts[TIMER_EXPIRY] else 1


if __name__ == "__main__":
    sys.exit(main())
