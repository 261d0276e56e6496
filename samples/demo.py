"""A short tour of the corvane module: list the boards, read inputs, switch outputs and
receive a test interrupt that the driver raises on request.

Over simulated boards:
    corvane-sim -- env PYTHONPATH=build/python/3.11 python3.11 samples/demo.py
"""
import sys
import threading

import corvane


def main():
    devices = corvane.DeviceDiscovery.get_devices()
    if not devices:
        print("No board found.")
        return 1

    print("Boards:")
    for device in devices:
        info = device.get_card_information()
        capabilities = [name for name in ("digital_io", "digital_io_port", "timer", "counter", "watchdog",
                                          "interrupt") if getattr(device, name)() is not None]
        print("  %-14s %-10s firmware %-20s bus %d  %s" % (
            info.id, info.general.product_name, info.general.firmware_version, info.bus.bus_number,
            ", ".join(capabilities)))

    candidates = [d for d in devices if d.digital_io() is not None and d.interrupt() is not None
                  and d.get_card_information().functions.digital.number_outputs > 0]
    # The most complete model first.
    candidates.sort(key=lambda d: "keloe6100" not in d.get_card_information().id)
    board = candidates[0] if candidates else None
    if board is None:
        print("No board with digital outputs and interrupts.")
        return 0
    name = board.get_card_information().id
    digital = board.digital_io()

    outputs = board.get_card_information().functions.digital.number_outputs
    print("%s inputs: 0x%08x" % (name, digital.read_all_digital_input()))
    digital.set_output_memory_on()
    digital.write_single_digital_output(0, True)
    digital.write_single_digital_output(3, True)
    print("%s outputs after switching on 0 and 3: 0x%08x" % (name, digital.get_digital_output_status()))
    digital.write_all_digital_output((1 << outputs) - 1, False)
    print("%s outputs after switching all off: 0x%08x" % (name, digital.get_digital_output_status()))

    try:
        digital.read_single_digital_input(channel=40)
    except corvane.CorvaneError as error:
        print("Expected failure: %s" % error)
        print("  code 0x%08x: %s, %s" % (error.code, error.function, error.reason))

    received = threading.Event()

    def on_interrupt(device, data):
        print("Interrupt from %s: source 0x%08x, mask 0x%08x, args %s" % (
            device.id, data.interrupt_source, data.interrupt_mask, data.args))
        received.set()

    interrupts = board.interrupt()
    interrupts.set_card_interrupt_callback(on_interrupt)
    interrupts.enable_card_interrupts()
    try:
        # The driver raises a test interrupt when asked.
        try:
            interrupts.test_card_interrupts()
        except corvane.CorvaneError as error:
            print("Test interrupt refused: 0x%08x" % error.code)
            return 1
        if not received.wait(5.0):
            print("No interrupt within 5 s.")
            return 1
    finally:
        interrupts.disable_card_interrupts()
    print("Done.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
