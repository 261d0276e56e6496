"""Interrupts from Python: an input event and a timer, delivered to a callback.

The callback runs on the board's interrupt thread. It only puts the record into a queue,
which the main thread reads and prints; so the callback never blocks and the output comes
in order.

On a board, raise input 4 yourself when the script asks. Over simulated boards in its own
process the script raises it through the simulator's control function, which exists only
there; over a simulator server it asks, and corvane-sim ctl answers.
"""
import ctypes
import queue
import sys

import corvane


def simulator_set_input():
    """The simulator's corvane_sim_set_input when the script runs under corvane-sim."""
    function = getattr(ctypes.CDLL(None), "corvane_sim_set_input", None)
    if function is not None:
        function.argtypes = [ctypes.c_char_p, ctypes.c_uint, ctypes.c_int]
    return function


def show(what: str, data: corvane.InterruptData) -> None:
    print(f"{what}: source 0x{data.interrupt_source:08X}, mask 0x{data.interrupt_mask:08X},"
          f" args {data.args}")


def main() -> int:
    board_id = sys.argv[1] if len(sys.argv) > 1 else "keloe6100_0"
    board = corvane.DeviceDiscovery.get_device_from_id(board_id)
    if board is None:
        print(f"no board {board_id}")
        return 1
    interrupts, digital, timer = board.interrupt(), board.digital_io(), board.timer()
    if interrupts is None or digital is None or timer is None:
        print(f"{board_id} has no interrupts, inputs or timer")
        return 1
    records: "queue.Queue[corvane.InterruptData]" = queue.Queue()

    # 1. The callback, then the board's interrupt thread.
    interrupts.set_card_interrupt_callback(lambda device, data: records.put(data))
    interrupts.enable_card_interrupts()
    try:
        # 2. An input event: a rising edge on input 4, started on the driver.
        digital.set_interrupt_event_for_one_input(channel=4, event=corvane.DIGITAL_EVENT_TYPE.RISING_EDGE)
        digital.enable_digital_interrupt()
        # The simulated machine raises input 4; a board (or a simulator server) waits for it.
        set_input = simulator_set_input()
        if set_input is None or set_input(board_id.encode(), 4, 1) != 0:
            print(f"Raise input 4 of {board_id} now.", flush=True)
        try:
            show("input event", records.get(timeout=5))
        except queue.Empty:
            print("No input interrupt within 5 s.")
            return 1

        # 3. Timer 1: every 50 ms, its interrupt enabled before it starts.
        timer.init_timer(timer=1, timebase=corvane.TIMEBASE_UNITS.MILLISECOND, reload_value=50, options=0)
        timer.enable_timer_interrupt(timer=1)
        timer.start_timer(timer=1)
        try:
            ticks = [records.get(timeout=5) for _ in range(3)]
        except queue.Empty:
            print("Fewer than 3 timer interrupts within 5 s.")
            return 1
        finally:
            timer.stop_timer(timer=1)
        for data in ticks:
            show("timer", data)
    except corvane.CorvaneError as error:
        print(error)
        return 1
    finally:
        # 4. Stop the thread; this also clears the input event and the timer's interrupt.
        interrupts.disable_card_interrupts()
    print("done")
    return 0


if __name__ == "__main__":
    sys.exit(main())
