"""A typed tour of the corvane module: every class of the module, with named arguments,
type annotations that pass `mypy --strict` against the module's stub, and the decoding of
a CorvaneError.

Over simulated boards (one of each model):
    corvane-sim -- env PYTHONPATH=build/python/3.11 python3.11 samples/typed_example.py
Type check:
    MYPYPATH=build/python/3.11 python3 -m mypy --strict samples/typed_example.py
"""
from __future__ import annotations

import sys
import threading
import corvane


def describe(info: corvane.VelmorDeviceStruct) -> str:
    general: corvane.VelmorGeneralInformations = info.general
    functions: corvane.VelmorFunctionInformations = info.functions
    bus: corvane.VelmorPCIBusInformations = info.bus
    digital: corvane.DigitalInformations = functions.digital
    timers: corvane.TimerInformations = functions.timer
    counters: corvane.CounterInformations = functions.counter
    watchdogs: corvane.WatchdogInformations = functions.watchdog
    bus_type = corvane.VELMOR_DEVICE_TYPE(bus.is_pcie)
    pcie = bus_type is corvane.VELMOR_DEVICE_TYPE.VELMOR_DEVICE_PCIE
    return "%-14s %-10s bus %d slot %d%s: %d inputs, %d outputs, %d ports, %d timers, %d counters, %d watchdogs" % (
        info.id, general.product_name, bus.bus_number, bus.device_number, " (PCIe)" if pcie else "",
        digital.number_inputs, digital.number_outputs, digital.number_of_ports, timers.number_timers,
        counters.number_counters, watchdogs.number_watchdogs)


def field_name(value: corvane.VelmorSource | corvane.VelmorDomain | corvane.VelmorFunction
               | corvane.VelmorReason | int) -> str:
    """A decoded field: its member's name, or its number when it has no member."""
    return str(value) if isinstance(value, int) else value.name


def explain(error: corvane.CorvaneError) -> str:
    return "0x%08x from %s in %s, %s, %s: %s" % (
        error.code, field_name(error.source), field_name(error.domain), field_name(error.function),
        field_name(error.reason), error.message)


def shortest_reload(limits: corvane.TimerInformations | corvane.WatchdogInformations,
                    timebase: corvane.TIMEBASE_UNITS) -> int:
    return max(limits.min_reload_value[int(timebase)], 1)


def use_channels(io: corvane.DigitalIOInterface, info: corvane.DigitalInformations) -> None:
    common: corvane.DigitalIOCommonInterface = io
    common.set_output_memory_on()
    if info.number_inputs:
        print("  inputs 0x%08x, input 0 %s" % (io.read_all_digital_input(), io.read_single_digital_input(channel=0)))
    if info.interrupt_mask:
        first = (info.interrupt_mask & -info.interrupt_mask).bit_length() - 1
        io.set_interrupt_event_for_one_input(channel=first, event=corvane.DIGITAL_EVENT_TYPE.RISING_EDGE)
        io.set_interrupt_event_for_inputs(mask=1 << first, event=corvane.DIGITAL_EVENT_TYPE.UNUSED)
        io.set_interrupt_logic_for_port(port=0, logic=corvane.DIGITAL_EVENT_LOGIC.OR)
    if info.number_outputs:
        io.write_single_digital_output(channel=0, state=True)
        io.write_all_digital_output(mask=0b1010, state=True)
        print("  outputs 0x%08x" % io.get_digital_output_status())
        io.write_all_digital_output(mask=(1 << info.number_outputs) - 1, state=False)


def use_ports(ports: corvane.DigitalIOPortsInterface) -> None:
    ports.set_output_memory_on()
    ports.set_all_digital_ports_directions(directions=int(corvane.PORT_DIRECTION.PORT_OUTPUT) << 1)
    ports.write_all_digital_outputs_on_port(mask=0x0F, state=1, port=1)
    ports.write_single_digital_output_on_port(channel=7, state=1, port=1)
    print("  directions 0x%04x, port 0 inputs 0x%02x, port 1 outputs 0x%02x" % (
        ports.get_all_digital_port_directions(), ports.read_all_digital_inputs_from_port(port=0),
        ports.get_digital_outputs_status_from_port(port=1)))


def use_timer(timer: corvane.TimerInterface, limits: corvane.TimerInformations) -> None:
    timebase = corvane.TIMEBASE_UNITS.MILLISECOND
    timer.init_timer(timer=0, timebase=timebase, reload_value=shortest_reload(limits, timebase),
                     options=corvane.VELMOR_TCW_OPTIONS.SINGLE_CYCLE)
    timer.enable_timer_interrupt(timer=0)
    timer.start_timer(timer=0)
    value, status1, status2, status3 = timer.read_timer_status(timer=0)
    print("  timer 0 value %d, status %d %d %d" % (value, status1, status2, status3))
    timer.stop_timer(timer=0)
    timer.disable_timer_interrupt(timer=0)


def use_counter(counter: corvane.CounterInterface, limits: corvane.CounterInformations) -> None:
    options = corvane.VELMOR_TCW_OPTIONS.COUNT_DIRECTION_UP | corvane.VELMOR_TCW_OPTIONS.COUNTER_RISING_EDGE_COUNT
    counter.init_counter(counter=0, reload_value=min(limits.max_reload_value, 1000), options=options & limits.valid_options)
    counter.start_counter(counter=0)
    print("  counter 0 value %d (counts on its %s)" % (
        counter.read_counter_value(counter=0), corvane.DIGIO_COUNTER_TIMER_SOURCE.SIGNAL_INPUT.name))
    counter.stop_counter(counter=0)


def use_watchdog(watchdog: corvane.WatchdogInterface, limits: corvane.WatchdogInformations) -> None:
    timebase = corvane.TIMEBASE_UNITS.SECOND
    watchdog.init_watchdog(watchdog=0, timebase=timebase, reload_value=shortest_reload(limits, timebase), options=0)
    watchdog.start_watchdog(watchdog=0)
    watchdog.trigger_watchdog(watchdog=0)
    print("  watchdog 0 value %d" % watchdog.read_watchdog_value(watchdog=0))
    watchdog.stop_watchdog(watchdog=0)


def use_interrupts(interrupts: corvane.InterruptInterface) -> bool:
    """Checks the callback end to end with a test interrupt from the driver."""
    received = threading.Event()

    def on_interrupt(device: corvane.VelmorDeviceStruct, data: corvane.InterruptData) -> None:
        print("  interrupt from %s: source 0x%08x, mask 0x%08x, args %s" % (
            device.id, data.interrupt_source, data.interrupt_mask, data.args))
        received.set()

    interrupts.set_card_interrupt_callback(callback=on_interrupt)
    interrupts.enable_card_interrupts()
    try:
        interrupts.test_card_interrupts()
        return received.wait(5.0) and interrupts.is_interrupt_active()
    finally:
        interrupts.disable_card_interrupts()


def main() -> int:
    print("corvane %s" % corvane.__version__)
    devices: list[corvane.Device] = corvane.DeviceDiscovery.get_devices()
    if not devices:
        print("No board found.")
        return 1
    for device in devices:
        info = device.get_card_information()
        functions = info.functions
        print(describe(info))
        io: corvane.DigitalIOInterface | None = device.digital_io()
        if io is not None:
            use_channels(io, functions.digital)
        ports = device.digital_io_port()
        if ports is not None:
            use_ports(ports)
        timer = device.timer()
        if timer is not None:
            use_timer(timer, functions.timer)
        counter = device.counter()
        if counter is not None:
            use_counter(counter, functions.counter)
        watchdog = device.watchdog()
        if watchdog is not None:
            use_watchdog(watchdog, functions.watchdog)
        interrupts = device.interrupt()
        if interrupts is not None and not use_interrupts(interrupts):
            print("  no test interrupt from %s" % info.id)
            return 1

    board = corvane.DeviceDiscovery.get_device_from_id(id=devices[0].get_card_information().id)
    assert board is not None
    try:
        handle: corvane.PluginHandle = board.plugin(name="none")
        print("plug-in found: %r" % handle)
    except corvane.CorvaneError as error:
        print("Expected failure: " + explain(error))
        # The same decoding for any code, and the readable text of the last failure.
        assert corvane.CorvaneException.get_function(code=error.code) == error.function
        assert corvane.CorvaneException.get_velmor_last_error() == str(error)
    try:
        for device in devices:
            digital = device.digital_io()
            if digital is not None:
                digital.read_single_digital_input(channel=40)
    except corvane.CorvaneError as error:
        print("Expected failure: " + explain(error))
    print("Done.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
