"""Named arguments and CorvaneError, over the simulated boards of test_api.

Every argument can be named: a call by name must reach the driver with exactly the bytes
of the same call by position, and an unknown name must be refused before the library.
A library failure raises CorvaneError, whose code and text are those the C interface
gives for the same failure.
"""
import ctypes
import pickle
import threading
import unittest

import corvane
import simcontrol as sim

E6100 = "keloe6100_0"
K3100 = "kelo3100_0"
X7100 = "keloe7100_0"
K4210 = "kelo4210_0"

TB = corvane.TIMEBASE_UNITS
OPT = corvane.VELMOR_TCW_OPTIONS
EVENT = corvane.DIGITAL_EVENT_TYPE
LOGIC = corvane.DIGITAL_EVENT_LOGIC
IOCTL_TEST_INTERRUPTS = 0xC0084107

# (board, capability getter, method, arguments by name in their order). Each reaches the
# driver; the limits of the words (bit 0 and bit 31, the last channel, port and unit)
# are among them.
DRIVER_CALLS = [
    (E6100, "digital_io", "read_single_digital_input", {"channel": 31}),
    (E6100, "digital_io", "write_single_digital_output", {"channel": 31, "state": True}),
    (E6100, "digital_io", "write_all_digital_output", {"mask": 0x80000001, "state": True}),
    (E6100, "digital_io", "set_interrupt_event_for_inputs", {"mask": 0x00000010, "event": EVENT.RISING_EDGE}),
    (E6100, "digital_io", "set_interrupt_event_for_one_input", {"channel": 19, "event": EVENT.FALLING_EDGE}),
    (E6100, "digital_io", "set_interrupt_logic_for_port", {"port": 0, "logic": LOGIC.OR}),
    (X7100, "digital_io", "set_output_interrupt", {"first_enable": True, "second_enable": False}),
    (K4210, "digital_io_port", "set_all_digital_ports_directions", {"directions": 0x80000801}),
    (K4210, "digital_io_port", "read_all_digital_inputs_from_port", {"port": 11}),
    (K4210, "digital_io_port", "write_single_digital_output_on_port", {"channel": 7, "state": 1, "port": 2}),
    (K4210, "digital_io_port", "write_all_digital_outputs_on_port", {"mask": 0x81, "state": 1, "port": 11}),
    (K4210, "digital_io_port", "get_digital_outputs_status_from_port", {"port": 11}),
    (E6100, "timer", "init_timer",
     {"timer": 1, "timebase": TB.MILLISECOND, "reload_value": 4095, "options": OPT.SINGLE_CYCLE}),
    (K3100, "timer", "set_custom_timer_frequency", {"frequency": 0xFFFFFFFF}),
    (E6100, "timer", "start_timer", {"timer": 1}),
    (E6100, "timer", "trigger_timer", {"timer": 1}),
    (E6100, "timer", "read_timer_value", {"timer": 1}),
    (E6100, "timer", "read_timer_status", {"timer": 1}),
    (E6100, "timer", "stop_timer", {"timer": 1}),
    (E6100, "counter", "init_counter",
     {"counter": 2, "reload_value": 4095, "options": OPT.COUNT_DIRECTION_UP | OPT.COUNTER_RISING_EDGE_COUNT}),
    (E6100, "counter", "start_counter", {"counter": 2}),
    (E6100, "counter", "read_counter_value", {"counter": 2}),
    (E6100, "counter", "read_counter_status", {"counter": 2}),
    (E6100, "counter", "stop_counter", {"counter": 2}),
    (E6100, "watchdog", "init_watchdog", {"watchdog": 0, "timebase": TB.SECOND, "reload_value": 1, "options": 0}),
    (E6100, "watchdog", "start_watchdog", {"watchdog": 0}),
    (E6100, "watchdog", "trigger_watchdog", {"watchdog": 0}),
    (E6100, "watchdog", "read_watchdog_value", {"watchdog": 0}),
    (E6100, "watchdog", "read_watchdog_status", {"watchdog": 0}),
    (E6100, "watchdog", "stop_watchdog", {"watchdog": 0}),
]

# Calls that are refused by the board or need no driver: by name they must fail (or
# succeed) exactly as by position.
CHECKED_CALLS = [
    (E6100, "digital_io", "read_single_digital_input", {"channel": 32}),
    (E6100, "digital_io", "set_output_interrupt", {"first_enable": False, "second_enable": True}),
    (E6100, "timer", "init_timer", {"timer": 2, "timebase": TB.CUSTOM, "reload_value": 0, "options": 0}),
    (E6100, "timer", "enable_timer_interrupt", {"timer": 0}),
    (E6100, "timer", "disable_timer_interrupt", {"timer": 0}),
    (E6100, "counter", "enable_counter_interrupt", {"counter": 0}),
    (E6100, "counter", "disable_counter_interrupt", {"counter": 0}),
    (E6100, "watchdog", "enable_watchdog_interrupt", {"watchdog": 0}),
    (E6100, "watchdog", "disable_watchdog_interrupt", {"watchdog": 0}),
    (K4210, "digital_io_port", "read_all_digital_inputs_from_port", {"port": 12}),
    (K4210, "digital_io_port", "write_single_digital_output_on_port", {"channel": 8, "state": 1, "port": 0}),
]


def device(identifier):
    found = corvane.DeviceDiscovery.get_device_from_id(identifier)
    if found is None:
        raise AssertionError("no board " + identifier)
    return found


def outcome(call):
    """(what the driver received, result or failure) of one call."""
    sim.trace_clear()
    try:
        result = ("returned", call())
    except corvane.CorvaneError as error:
        result = ("raised", error.code, str(error))
    return sim.trace(), result


class NamedArgumentTest(unittest.TestCase):
    def setUp(self):
        device(E6100).digital_io().set_output_memory_on()

    def compare(self, cases, reaches_driver):
        for board, getter, method, arguments in cases:
            with self.subTest(board=board, method=method, arguments=arguments):
                bound = getattr(getattr(device(board), getter)(), method)
                by_position = outcome(lambda: bound(*arguments.values()))
                # The names in the opposite order: the names, not the places, count.
                reversed_names = dict(reversed(list(arguments.items())))
                by_name = outcome(lambda: bound(**reversed_names))
                self.assertEqual(by_name, by_position)
                first_name, first_value = next(iter(arguments.items()))
                rest = {name: value for name, value in arguments.items() if name != first_name}
                self.assertEqual(outcome(lambda: bound(first_value, **rest)), by_position)
                self.assertEqual(bool(by_position[0]), reaches_driver, by_position)

    def test_named_and_positional_calls_send_the_same_bytes(self):
        self.compare(DRIVER_CALLS, reaches_driver=True)

    def test_named_and_positional_calls_fail_alike(self):
        self.compare(CHECKED_CALLS, reaches_driver=False)

    def test_names_outside_the_interfaces(self):
        cls = corvane.CorvaneException
        cases = [
            (lambda: corvane.DeviceDiscovery.get_device_from_id(E6100).get_card_information().id,
             lambda: corvane.DeviceDiscovery.get_device_from_id(id=E6100).get_card_information().id),
            (lambda: corvane.DeviceDiscovery.get_device_from_id("keloe6100_9"),
             lambda: corvane.DeviceDiscovery.get_device_from_id(id="keloe6100_9")),
            (lambda: device(E6100).plugin("missing"), lambda: device(E6100).plugin(name="missing")),
            (lambda: cls.get_source(0x80000012), lambda: cls.get_source(code=0x80000012)),
            (lambda: cls.get_domain(0x82002E10), lambda: cls.get_domain(code=0x82002E10)),
            (lambda: cls.get_function(0x82002E10), lambda: cls.get_function(code=0x82002E10)),
            (lambda: cls.get_reason(0x80000012), lambda: cls.get_reason(code=0x80000012)),
            (lambda: cls("m", 0x1208).what(), lambda: cls(code=0x1208, message="m").what()),
            (lambda: corvane.CorvaneError("m", 0x80000012).args,
             lambda: corvane.CorvaneError(code=0x80000012, message="m").args),
        ]
        for by_position, by_name in cases:
            self.assertEqual(outcome(by_name), outcome(by_position))
        error = cls("first", 0x80002603)
        error.set_message(message="second")
        error.set_error_code(code=0x86000F08)
        self.assertEqual(error.get_code(), 0x86000F08)
        self.assertTrue(error.what().endswith(" Error message : second"))

    def test_callback_by_name(self):
        interrupts = device(E6100).interrupt()
        received = threading.Event()
        sources = []

        def callback(board, data):
            sources.append(data.interrupt_source)
            received.set()

        interrupts.set_card_interrupt_callback(callback=callback)
        interrupts.enable_card_interrupts()
        try:
            sim.queue_interrupt(E6100, source=0x80000001)
            self.assertTrue(received.wait(10))
        finally:
            interrupts.disable_card_interrupts()
        self.assertEqual(sources, [0x80000001])

    def test_wrong_names_are_refused_before_the_library(self):
        dio = device(E6100).digital_io()
        ports = device(K4210).digital_io_port()
        timer = device(E6100).timer()
        cases = [
            lambda: dio.read_single_digital_input(chanel=1),
            lambda: dio.write_single_digital_output(channel=1, value=True),
            lambda: dio.write_single_digital_output(1, channel=1, state=True),
            lambda: dio.write_single_digital_output(channel=1),
            lambda: dio.write_all_digital_output(mask=1, state=True, memory=True),
            lambda: dio.set_output_interrupt(first=True, second=False),
            lambda: ports.write_single_digital_output_on_port(channel=0, state=1, port_number=0),
            lambda: timer.init_timer(timer=0, timebase=TB.MILLISECOND, reload=10, options=0),
            lambda: timer.start_timer(id=0),
            lambda: device(E6100).watchdog().trigger_watchdog(index=0),
            lambda: device(E6100).counter().read_counter_value(unit=0),
            lambda: device(E6100).interrupt().set_card_interrupt_callback(function=print),
            lambda: corvane.DeviceDiscovery.get_device_from_id(identifier=E6100),
            lambda: device(E6100).plugin(plugin="x"),
            lambda: corvane.CorvaneException.get_reason(value=18),
        ]
        for index, call in enumerate(cases):
            with self.subTest(case=index):
                sim.trace_clear()
                with self.assertRaises(TypeError):
                    call()
                self.assertEqual(sim.trace(), [], "the library was reached")


class CApi:
    """The C interface of the same library, loaded in this process by the module."""

    def __init__(self):
        self.library = ctypes.CDLL("libCorvane.so.1")
        self.library.VelmorGetLastError.restype = ctypes.c_size_t
        self.library.VelmorGetLastError.argtypes = [ctypes.c_char_p, ctypes.c_size_t]

    def call(self, name, *arguments):
        function = getattr(self.library, name)
        function.restype = ctypes.c_uint32
        return function(*arguments)

    def last_error(self):
        buffer = ctypes.create_string_buffer(4096)
        length = self.library.VelmorGetLastError(buffer, 4095)
        return buffer.value[:length].decode("utf-8", "replace")


class CorvaneErrorTest(unittest.TestCase):
    def setUp(self):
        self.c = CApi()

    def tearDown(self):
        sim.clear_failures()

    def test_failures_match_the_c_interface(self):
        byte = ctypes.c_uint8()
        word = ctypes.c_uint32()

        def fail_inputs():
            sim.fail(E6100, sim.IOCTL_GET_DIGITAL_INPUTS, message="input latch jammed")

        def fail_test_interrupt():
            sim.fail(E6100, IOCTL_TEST_INTERRUPTS, error_number=28, message="interrupt queue full")

        api, digio, ioctl = corvane.VelmorSource.VELMOR_API, corvane.VelmorDomain.VELMOR_DOMAIN_DIGIO, \
            corvane.VelmorDomain.VELMOR_DOMAIN_LINUX_IOCTL
        function, reason = corvane.VelmorFunction, corvane.VelmorReason
        driver_fields = (api, ioctl, function.VELMOR_FUNCTION_HANDLE_RETURN, reason.VELMOR_REASON_HARDWARE_FAILURE)
        # (case, setup, Python call, C call, code, (source, domain, function, reason))
        cases = [
            ("channel 40", None,
             lambda: device(E6100).digital_io().read_single_digital_input(40),
             lambda: self.c.call("VelmorReadSingleDigitalInput", E6100.encode(), 40, ctypes.byref(byte)),
             0x82001004, (api, digio, function.VELMOR_FUNCTION_CHANNEL_RANGE, reason.VELMOR_REASON_OUT_OF_BOUNDS)),
            ("driver failure", fail_inputs,
             lambda: device(E6100).digital_io().read_all_digital_input(),
             lambda: self.c.call("VelmorReadAllDigitalInputs", E6100.encode(), ctypes.byref(word)),
             0x86000F08, driver_fields),
            ("port out of range, function without a member", None,
             lambda: device(K4210).digital_io_port().read_all_digital_inputs_from_port(12),
             lambda: self.c.call("VelmorReadAllDigitalInputsFromPort", K4210.encode(), 12, ctypes.byref(byte)),
             0x82002E10, (api, digio, 46, reason.VELMOR_REASON_INVALID_ID)),
            ("test interrupt refused by the driver", fail_test_interrupt,
             lambda: device(E6100).interrupt().test_card_interrupts(),
             lambda: self.c.call("VelmorTestDeviceInterrupts", E6100.encode()),
             0x86000F08, driver_fields),
        ]
        for name, setup, python_call, c_call, code, fields in cases:
            with self.subTest(case=name):
                if setup:
                    setup()
                with self.assertRaises(corvane.CorvaneError) as caught:
                    python_call()
                error = caught.exception
                python_last_error = corvane.CorvaneException.get_velmor_last_error()
                if setup:
                    setup()
                c_code = c_call()
                c_text = self.c.last_error()

                self.assertIsInstance(error, RuntimeError)
                self.assertEqual(error.code, code)
                self.assertEqual(c_code, code)
                self.assertEqual(str(error), c_text)
                self.assertEqual(python_last_error, c_text)
                self.assertEqual(error.args, (c_text,))
                self.assertEqual(error.message, c_text.split(" Error message : ", 1)[1])
                self.assertEqual((error.source, error.domain, error.function, error.reason), fields)
                for decoded in (error.source, error.domain, error.function, error.reason):
                    self.assertIn(type(decoded), (int, corvane.VelmorSource, corvane.VelmorDomain,
                                                  corvane.VelmorFunction, corvane.VelmorReason))
                self.assertIs(type(error.function) is int, name.endswith("without a member"))

    def test_caught_as_runtime_error(self):
        with self.assertRaises(RuntimeError) as caught:
            device(E6100).plugin("missing")
        self.assertIs(type(caught.exception), corvane.CorvaneError)
        self.assertEqual(caught.exception.code, 0x89000E04)
        self.assertEqual(caught.exception.message, "Plugin missing not found in plugin map.")

    def test_made_by_the_caller(self):
        # (message, code): the text is the library's composition; the last error stays.
        cases = [("hello", 0x82002E10), ("", 0x1208), ("caf\u00e9", 0xFFFFFFFF), ("m", 0)]
        for message, code in cases:
            with self.subTest(message=message, code=hex(code)):
                before = corvane.CorvaneException.get_velmor_last_error()
                error = corvane.CorvaneError(message, code)
                self.assertEqual(corvane.CorvaneException.get_velmor_last_error(), before)
                self.assertEqual((error.code, error.message), (code, message))
                self.assertEqual(str(error), corvane.CorvaneException(message, code).what())
                self.assertEqual(error.function, corvane.CorvaneException.get_function(code))
        for arguments in (("m", -1), ("m", 2 ** 32), (b"m", 1), ("m",), ()):
            with self.assertRaises(TypeError):
                corvane.CorvaneError(*arguments)

    def test_attributes_are_read_only(self):
        error = corvane.CorvaneError("m", 0x82001004)
        for name in ("code", "source", "domain", "function", "reason", "message"):
            with self.assertRaises(AttributeError):
                setattr(error, name, 0)

    def test_pickles_and_copies_as_it_was(self):
        with self.assertRaises(corvane.CorvaneError) as caught:
            device(K4210).digital_io_port().read_all_digital_inputs_from_port(255)
        original = caught.exception
        for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
            with self.subTest(protocol=protocol):
                copy = pickle.loads(pickle.dumps(original, protocol))
                self.assertIs(type(copy), corvane.CorvaneError)
                self.assertEqual((str(copy), copy.code, copy.message, copy.function),
                                 (str(original), original.code, original.message, original.function))


if __name__ == "__main__":
    unittest.main()
