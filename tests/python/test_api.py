"""The corvane module over one simulated board of every model.

Board set (CORVANE_SIM_BOARDS): keloe6100, kelo3100 with custom id "Café-€", keloe5100,
keloe7100, kelo4210.
"""
import enum
import gc
import os
import subprocess
import sys
import unittest

import corvane
import simcontrol as sim

E6100 = "keloe6100_0"
K3100 = "kelo3100_0"
E5100 = "keloe5100_0"
X7100 = "keloe7100_0"
K4210 = "kelo4210_0"


def device(identifier):
    found = corvane.DeviceDiscovery.get_device_from_id(identifier)
    if found is None:
        raise AssertionError("no board " + identifier)
    return found


class ModuleTest(unittest.TestCase):
    def test_expected_build_is_loaded(self):
        directory = os.environ.get("CORVANE_EXPECTED_MODULE_DIR")
        if not directory:
            self.skipTest("not run by CTest")
        self.assertEqual(os.path.dirname(os.path.realpath(corvane.__file__)), os.path.realpath(directory))
        self.assertIn(os.environ["CORVANE_EXPECTED_SUFFIX"], os.path.basename(corvane.__file__))
        # The stub generated with the build and the marker of a typed module lie beside it.
        self.assertTrue(os.path.exists(os.path.join(directory, "corvane.pyi")))
        self.assertTrue(os.path.exists(os.path.join(directory, "py.typed")))

    def test_definition_order(self):
        names = [name for name in vars(corvane) if not name.startswith("_")]
        expected = ["DIGIO_COUNTER_TIMER_SOURCE", "DIGITAL_EVENT_TYPE", "DIGITAL_EVENT_LOGIC", "TIMEBASE_UNITS",
                    "VELMOR_TCW_OPTIONS", "PORT_DIRECTION",
                    "TimerInformations", "WatchdogInformations", "CounterInformations", "DigitalInformations",
                    "InterruptData", "VelmorFunctionInformations", "VelmorPCIBusInformations",
                    "VelmorGeneralInformations", "VelmorDeviceStruct",
                    "CounterInterface", "InterruptInterface", "WatchdogInterface", "DigitalIOCommonInterface",
                    "DigitalIOInterface", "DigitalIOPortsInterface", "TimerInterface",
                    "Device", "DeviceDiscovery", "CorvaneException",
                    "VelmorSource", "VelmorDomain", "VelmorFunction", "VelmorReason"]
        self.assertEqual(names[:len(expected)], expected)

    def test_import_touches_no_board(self):
        code = "import corvane, simcontrol; print(simcontrol.trace_count())"
        # close_fds=False: see run_child in test_callbacks.
        out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60,
                             close_fds=False)
        self.assertEqual(out.returncode, 0, out.stderr)
        self.assertEqual(out.stdout.strip(), "0")


class EnumerationTest(unittest.TestCase):
    def members(self, cls):
        return {member.name: member.value for member in cls}

    def test_device_enumerations(self):
        self.assertEqual(self.members(corvane.DIGIO_COUNTER_TIMER_SOURCE),
                         {"SIGNAL_INPUT": 0, "TRIGGER_INPUT": 1, "GATE_INPUT": 2})
        self.assertEqual(self.members(corvane.DIGITAL_EVENT_TYPE),
                         {"UNUSED": 0, "ON_ZERO": 1, "ON_ONE": 2, "FALLING_EDGE": 3, "RISING_EDGE": 4,
                          "ANY_EDGE": 5})
        self.assertEqual(self.members(corvane.DIGITAL_EVENT_LOGIC), {"OR": 0, "AND": 1})
        self.assertEqual(self.members(corvane.TIMEBASE_UNITS),
                         {"MICROSECOND": 0, "MILLISECOND": 1, "SECOND": 2, "CUSTOM": 3})
        self.assertEqual(self.members(corvane.VELMOR_TCW_OPTIONS),
                         {"COUNT_DIRECTION_DOWN": 0, "COUNT_DIRECTION_UP": 1, "SINGLE_CYCLE": 2,
                          "EXTERNAL_TRIGGER": 4, "HARDWARE_GATE": 8, "COUNTER_FALLING_EDGE_COUNT": 16,
                          "COUNTER_RISING_EDGE_COUNT": 32, "COUNTER_BOTH_EDGE_COUNT": 48})
        self.assertEqual(self.members(corvane.PORT_DIRECTION), {"PORT_INPUT": 0, "PORT_OUTPUT": 1})
        self.assertEqual(self.members(corvane.VELMOR_DEVICE_TYPE),
                         {"VELMOR_DEVICE_PCI": 0, "VELMOR_DEVICE_PCIE": 1})
        self.assertFalse(issubclass(corvane.VELMOR_DEVICE_TYPE, int))

    def test_kinds_and_conversions(self):
        self.assertTrue(issubclass(corvane.VELMOR_TCW_OPTIONS, enum.IntEnum))
        for cls in (corvane.TIMEBASE_UNITS, corvane.PORT_DIRECTION, corvane.DIGITAL_EVENT_TYPE,
                    corvane.VelmorReason):
            self.assertTrue(issubclass(cls, enum.Enum))
            self.assertFalse(issubclass(cls, int))
        self.assertEqual(int(corvane.TIMEBASE_UNITS.SECOND), 2)
        self.assertEqual(int(corvane.PORT_DIRECTION.PORT_OUTPUT), 1)
        combined = corvane.VELMOR_TCW_OPTIONS.SINGLE_CYCLE | corvane.VELMOR_TCW_OPTIONS.HARDWARE_GATE
        self.assertEqual(combined, 10)
        self.assertIsInstance(combined, int)

    def test_error_enumerations(self):
        self.assertEqual(self.members(corvane.VelmorSource), {"VELMOR_DRIVER": 0, "VELMOR_API": 1})
        domains = self.members(corvane.VelmorDomain)
        self.assertEqual(sorted(domains.values()), list(range(10)))
        self.assertEqual(domains["VELMOR_DOMAIN_PLUGIN"], 9)
        functions = self.members(corvane.VelmorFunction)
        self.assertEqual(sorted(functions.values()), list(range(45)))
        self.assertEqual(functions["VELMOR_FUNCTION_NONE"], 0)
        self.assertEqual(functions["VELMOR_FUNCTION_API_GET_LAST_ERROR"], 38)
        self.assertEqual(functions["VELMOR_FUNCTION_OUTPUT_INTERRUPT"], 44)
        reasons = self.members(corvane.VelmorReason)
        self.assertEqual(sorted(reasons.values()), list(range(18)) + [19])
        self.assertEqual(reasons["VELMOR_REASON_INVALID_OPTION"], 17)
        self.assertEqual(reasons["VELMOR_REASON_HANDLE_ERROR"], 19)


class RecordTest(unittest.TestCase):
    def test_zeroed_construction(self):
        info = corvane.VelmorDeviceStruct()
        self.assertEqual(info.id, "")
        general = info.general
        for name in ("serial_number", "product_name", "firmware_version", "library_version",
                     "driver_version", "device_path", "custom_id"):
            self.assertEqual(getattr(general, name), "", name)
        digital = info.functions.digital
        self.assertEqual((digital.number_inputs, digital.number_outputs, digital.number_of_ports,
                          digital.interrupt_mask), (0, 0, 0, 0))
        for record, count in ((info.functions.timer, "number_timers"),
                              (info.functions.watchdog, "number_watchdogs")):
            self.assertEqual(getattr(record, count), 0)
            self.assertEqual(record.max_reload_value, [0, 0, 0, 0])
            self.assertEqual(record.min_reload_value, [0, 0, 0, 0])
            self.assertEqual(record.valid_options, 0)
        counter = info.functions.counter
        self.assertEqual((counter.number_counters, counter.max_reload_value, counter.valid_options), (0, 0, 0))
        bus = info.bus
        self.assertEqual((bus.vendor_id, bus.device_id, bus.number, bus.device_number, bus.bus_number,
                          bus.base_address_register, bus.interrupt_number, bus.is_pcie), (0,) * 8)
        self.assertEqual(corvane.TimerInformations().max_reload_value, [0, 0, 0, 0])
        self.assertEqual(corvane.InterruptData().args, [])
        self.assertEqual(corvane.InterruptData().interrupt_source, 0)

    def test_attributes_are_read_only(self):
        info = corvane.VelmorDeviceStruct()
        with self.assertRaises(AttributeError):
            info.id = "x"
        with self.assertRaises(AttributeError):
            info.bus.number = 3
        with self.assertRaises(AttributeError):
            corvane.InterruptData().args = [1]
        self.assertFalse(hasattr(info.general, "device_type"))
        self.assertFalse(hasattr(corvane.InterruptData(), "args_count"))

    def test_board_information_converted(self):
        info = device(E6100).get_card_information()
        self.assertEqual(info.id, E6100)
        self.assertEqual(info.general.product_name, "keloe6100")
        self.assertEqual(info.general.firmware_version, "SIM-KELOE6100-1.0")
        functions = info.functions
        self.assertEqual((functions.digital.number_inputs, functions.digital.number_outputs,
                          functions.digital.number_of_ports, functions.digital.interrupt_mask),
                         (32, 32, 1, 0x000FFFF0))
        self.assertEqual(functions.timer.number_timers, 2)
        self.assertEqual(functions.timer.max_reload_value, [4095, 4095, 4095, 0])
        self.assertEqual(functions.timer.min_reload_value, [1, 1, 1, 0])
        self.assertEqual(functions.watchdog.number_watchdogs, 1)
        self.assertEqual(functions.counter.number_counters, 3)
        self.assertEqual(functions.counter.max_reload_value, 65535)
        self.assertEqual(functions.counter.valid_options, 0x31)
        bus = info.bus
        self.assertEqual(bus.vendor_id, 0x5645)
        self.assertEqual(bus.device_id, 0x6101)
        self.assertEqual(bus.number, 0)
        self.assertEqual(bus.bus_number, 1)  # first board of the simulated set
        self.assertEqual(bus.base_address_register, 0xF0000000)
        self.assertEqual(bus.interrupt_number, 16)
        self.assertIs(type(bus.is_pcie), int)
        self.assertEqual(bus.is_pcie, 1)

    def test_wide_custom_id_decoded(self):
        info = device(K3100).get_card_information()
        self.assertEqual(info.general.custom_id, "Caf\u00e9-\u20ac")
        self.assertEqual(info.bus.is_pcie, 0)

    def test_views_keep_parent_alive(self):
        general = device(E6100).get_card_information().general
        timer = device(E6100).get_card_information().functions.timer
        gc.collect()
        # Fresh zeroed records would reuse the memory of a freed parent.
        filler = [corvane.VelmorDeviceStruct() for _ in range(200)]
        self.assertEqual(general.product_name, "keloe6100")
        self.assertEqual(timer.max_reload_value, [4095, 4095, 4095, 0])
        del filler

    def test_views_are_not_copies(self):
        info = device(E6100).get_card_information()
        self.assertIs(info.general, info.general)
        self.assertIs(info.functions.counter, info.functions.counter)
        # get_card_information returns a new, independent copy each time.
        self.assertIsNot(device(E6100).get_card_information(), info)


class ArgumentConversionTest(unittest.TestCase):
    def setUp(self):
        self.dio = device(E6100).digital_io()
        self.dio.set_output_memory_on()
        sim.trace_clear()

    def assertRejected(self, call, *args):
        sim.trace_clear()
        with self.assertRaises(TypeError):
            call(*args)
        self.assertEqual(sim.trace(), [], "the library was reached")

    def test_bool_accepts_only_true_and_false(self):
        self.assertRejected(self.dio.write_single_digital_output, 0, 1)
        self.assertRejected(self.dio.write_all_digital_output, 1, 0)
        self.dio.write_all_digital_output(0xFFFFFFFF, False)
        self.dio.write_single_digital_output(0, True)
        self.assertEqual(sim.get_outputs(E6100) & 1, 1)

    def test_integer_widths(self):
        timer = device(E6100).timer()
        ms = corvane.TIMEBASE_UNITS.MILLISECOND
        self.assertRejected(self.dio.read_single_digital_input, 256)
        self.assertRejected(self.dio.read_single_digital_input, -1)
        self.assertRejected(timer.init_timer, 0, ms, 65536, 0)
        self.assertRejected(timer.init_timer, 0, ms, -1, 0)
        self.assertRejected(timer.init_timer, 0, ms, 10, 2 ** 32)
        self.assertRejected(self.dio.write_all_digital_output, -1, True)
        self.assertRejected(device(K4210).digital_io_port().read_all_digital_inputs_from_port, 256)
        # Only ints: no str, float or None.
        self.assertRejected(self.dio.read_single_digital_input, "3")
        self.assertRejected(self.dio.read_single_digital_input, 3.0)
        self.assertRejected(self.dio.read_single_digital_input, None)
        # The limits themselves reach the library.
        timer.init_timer(0, ms, 100, 0xFFFFFFFF)
        self.dio.write_all_digital_output(0xFFFFFFFF, True)
        self.assertEqual(sim.get_outputs(E6100), 0xFFFFFFFF)

    def test_enumeration_arguments(self):
        timer = device(E6100).timer()
        self.assertRejected(timer.init_timer, 0, 1, 10, 0)
        self.assertRejected(timer.init_timer, 0, corvane.PORT_DIRECTION.PORT_OUTPUT, 10, 0)
        self.assertRejected(self.dio.set_interrupt_logic_for_port, 0, 1)
        timer.init_timer(1, corvane.TIMEBASE_UNITS.MILLISECOND, 10, 0)
        commands = [entry[1] for entry in sim.trace()]
        self.assertIn(0xC0084131, commands)

    def test_options_from_flags(self):
        counter = device(E6100).counter()
        options = corvane.VELMOR_TCW_OPTIONS.COUNT_DIRECTION_UP | corvane.VELMOR_TCW_OPTIONS.COUNTER_RISING_EDGE_COUNT
        counter.init_counter(0, 1000, options)
        counter.init_counter(0, 1000, corvane.VELMOR_TCW_OPTIONS.COUNT_DIRECTION_UP)

    def test_unknown_keyword_and_callable(self):
        # Arguments have names now (test_calls covers them); an unknown name still does
        # not match.
        self.assertRejected(lambda: self.dio.read_single_digital_input(chanel=1))
        with self.assertRaises(TypeError):
            device(E6100).interrupt().set_card_interrupt_callback(5)
        with self.assertRaises(TypeError):
            corvane.DeviceDiscovery.get_device_from_id(6100)


class LibraryFailureTest(unittest.TestCase):
    def tearDown(self):
        sim.clear_failures()

    def test_check_failure_is_runtime_error_with_library_text(self):
        with self.assertRaises(RuntimeError) as caught:
            device(E6100).digital_io().read_single_digital_input(32)
        text = str(caught.exception)
        self.assertTrue(text.startswith("[CorvaneException] Code: 0x82001004 "), text)
        self.assertTrue(text.endswith(" Error message : Wrong channel range. Valid is from 0 to 31."), text)
        self.assertEqual(corvane.CorvaneException.get_velmor_last_error(), text)

    def test_driver_failure(self):
        sim.fail(E6100, sim.IOCTL_GET_DIGITAL_INPUTS, message="input latch jammed")
        with self.assertRaises(RuntimeError) as caught:
            device(E6100).digital_io().read_all_digital_input()
        text = str(caught.exception)
        self.assertIn("Code: 0x86000f08", text)
        self.assertIn("input latch jammed", text)
        # The failure was once only.
        device(E6100).digital_io().read_all_digital_input()

    def test_missing_operation_and_plugin(self):
        with self.assertRaises(RuntimeError) as caught:
            device(E6100).timer().set_custom_timer_frequency(1000)
        self.assertIn("This device doesn't support custom frequency", str(caught.exception))
        with self.assertRaises(RuntimeError) as caught:
            device(E6100).plugin("nope")
        self.assertTrue(str(caught.exception).endswith("Error message : Plugin nope not found in plugin map."))
        self.assertIn("0x89000e04", str(caught.exception))


class DeviceTest(unittest.TestCase):
    def test_devices_in_identifier_order(self):
        ids = [d.get_card_information().id for d in corvane.DeviceDiscovery.get_devices()]
        self.assertEqual(ids, [K3100, K4210, E5100, E6100, X7100])

    def test_unknown_identifier_is_none(self):
        self.assertIsNone(corvane.DeviceDiscovery.get_device_from_id("keloe6100_9"))
        self.assertIsNone(corvane.DeviceDiscovery.get_device_from_id(E6100 + " "))
        self.assertIsNone(corvane.DeviceDiscovery.get_device_from_id(""))

    def test_missing_capabilities_are_none(self):
        port_board = device(K4210)
        for getter in ("timer", "counter", "watchdog", "interrupt", "digital_io"):
            self.assertIsNone(getattr(port_board, getter)(), getter)
        self.assertIsInstance(port_board.digital_io_port(), corvane.DigitalIOPortsInterface)
        self.assertIsNone(device(E5100).counter())
        self.assertIsNone(device(E5100).watchdog())
        self.assertIsNone(device(X7100).timer())
        self.assertIsNone(device(X7100).counter())
        self.assertIsNone(device(E6100).digital_io_port())
        board = device(E6100)
        self.assertIsInstance(board.timer(), corvane.TimerInterface)
        self.assertIsInstance(board.counter(), corvane.CounterInterface)
        self.assertIsInstance(board.watchdog(), corvane.WatchdogInterface)
        self.assertIsInstance(board.interrupt(), corvane.InterruptInterface)
        self.assertIsInstance(board.digital_io(), corvane.DigitalIOCommonInterface)

    def test_no_python_constructors(self):
        for cls in (corvane.Device, corvane.TimerInterface, corvane.DigitalIOInterface,
                    corvane.DeviceDiscovery, corvane.InterruptInterface):
            with self.assertRaises(TypeError):
                cls()

    def test_digital_io(self):
        dio = device(E6100).digital_io()
        sim.set_inputs(E6100, 0x80000021)
        self.assertEqual(dio.read_all_digital_input(), 0x80000021)
        self.assertIs(dio.read_single_digital_input(5), True)
        self.assertIs(dio.read_single_digital_input(4), False)
        dio.set_output_memory_on()
        dio.write_all_digital_output(0xFFFFFFFF, False)
        dio.write_all_digital_output(0x00F0, True)
        self.assertEqual(dio.get_digital_output_status(), 0x00F0)
        self.assertEqual(sim.get_outputs(E6100), 0x00F0)

    def test_ports(self):
        ports = device(K4210).digital_io_port()
        ports.set_all_digital_ports_directions(0b10)
        self.assertEqual(ports.get_all_digital_port_directions(), 0b10)
        sim.set_port_inputs(K4210, 0, 0x5A)
        self.assertEqual(ports.read_all_digital_inputs_from_port(0), 0x5A)
        ports.set_output_memory_on()
        ports.write_all_digital_outputs_on_port(0x0F, 1, 1)
        self.assertEqual(ports.get_digital_outputs_status_from_port(1), 0x0F)
        self.assertEqual(sim.get_port_outputs(K4210, 1), 0x0F)

    def test_status_reads_are_four_tuples(self):
        board = device(E6100)
        sim.set_unit_status(E6100, 1, 1, 2, 3)     # timer 1
        sim.set_unit_status(E6100, 3, 7, 8, 9)     # counter 1
        sim.set_unit_status(E6100, 0, 4, 5, 6)     # the watchdog is unit 0
        sim.set_unit_value(E6100, 1, 0xDEADBEEF)
        sim.set_unit_value(E6100, 0, 0xFFFF)
        self.assertEqual(board.timer().read_timer_status(1), (0xDEADBEEF, 1, 2, 3))
        self.assertEqual(board.counter().read_counter_status(1), (0, 7, 8, 9))
        self.assertEqual(board.watchdog().read_watchdog_status(0), (0xFFFF, 4, 5, 6))
        self.assertEqual(board.timer().read_timer_value(1), 0xDEADBEEF)

    def test_interface_outlives_device(self):
        timer = device(E6100).timer()
        gc.collect()
        sim.trace_clear()
        timer.init_timer(1, corvane.TIMEBASE_UNITS.MILLISECOND, 50, 0)
        timer.start_timer(1)
        timer.stop_timer(1)
        self.assertEqual([entry[1] for entry in sim.trace()], [0xC0084131, 0xC0084132, 0xC0084132])


class CorvaneExceptionTest(unittest.TestCase):
    def test_construction_sets_last_error(self):
        error = corvane.CorvaneException("error_message is Null", 0x80002603)
        self.assertEqual(error.get_code(), 0x80002603)
        text = error.what()
        self.assertTrue(text.startswith("[CorvaneException] Code: 0x80002603 [Error got from VELMOR_API source , "
                                        "on domain :VELMOR_DOMAIN_GENERIC, with function :"
                                        "VELMOR_FUNCTION_API_GET_LAST_ERROR, due to reason :"
                                        "VELMOR_REASON_INVALID_PARAMETER]"), text)
        self.assertTrue(text.endswith(" Error message : error_message is Null"))
        self.assertEqual(corvane.CorvaneException.get_velmor_last_error(), text)
        self.assertTrue(corvane.CorvaneException(message="", code=0x1208).what().endswith("]"))

    def test_not_a_python_exception(self):
        self.assertFalse(issubclass(corvane.CorvaneException, BaseException))

    def test_decoding(self):
        cls = corvane.CorvaneException
        self.assertIs(cls.get_source(0x80002603), corvane.VelmorSource.VELMOR_API)
        self.assertIs(cls.get_domain(0x80002603), corvane.VelmorDomain.VELMOR_DOMAIN_GENERIC)
        self.assertIs(cls.get_function(0x80002603), corvane.VelmorFunction.VELMOR_FUNCTION_API_GET_LAST_ERROR)
        self.assertIs(cls.get_reason(0x80002603), corvane.VelmorReason.VELMOR_REASON_INVALID_PARAMETER)
        error = cls("x", 0x86000F08)
        self.assertIs(error.get_domain(0x86000F08), corvane.VelmorDomain.VELMOR_DOMAIN_LINUX_IOCTL)
        self.assertIs(cls.get_source(0x00001208), corvane.VelmorSource.VELMOR_DRIVER)
        with self.assertRaises(TypeError):
            cls.get_reason(-1)

    def test_values_without_a_member_decode_as_plain_ints(self):
        # The library itself raises function 46 (port range on the port board) and reason
        # 18 (time base not valid); decoding them must never raise.
        cls = corvane.CorvaneException
        cases = [
            (cls.get_function, 0x82002E04, 46),
            (cls.get_function, 45 << 8, 45),
            (cls.get_function, 0xFF << 8, 255),
            (cls.get_reason, 0x80000012, 18),
            (cls.get_reason, 20, 20),
            (cls.get_reason, 0xFF, 255),
            (cls.get_domain, 10 << 24, 10),
            (cls.get_domain, 0x7F << 24, 127),
        ]
        for decode, code, value in cases:
            with self.subTest(decode=decode.__name__, code=hex(code)):
                decoded = decode(code)
                self.assertIs(type(decoded), int)
                self.assertEqual(decoded, value)
        # The neighbours that have members stay members.
        self.assertIs(cls.get_function(44 << 8), corvane.VelmorFunction.VELMOR_FUNCTION_OUTPUT_INTERRUPT)
        self.assertIs(cls.get_reason(0x80000011), corvane.VelmorReason.VELMOR_REASON_INVALID_OPTION)
        self.assertIs(cls.get_reason(19), corvane.VelmorReason.VELMOR_REASON_HANDLE_ERROR)
        self.assertIs(cls.get_domain(9 << 24), corvane.VelmorDomain.VELMOR_DOMAIN_PLUGIN)
        self.assertIs(cls.get_source(0xFFFFFFFF), corvane.VelmorSource.VELMOR_API)

    def test_set_error_code_and_message(self):
        error = corvane.CorvaneException("first", 0x80002603)
        before = error.what()
        error.set_error_code(0x86000F08)
        self.assertEqual(error.get_code(), 0x86000F08)
        self.assertEqual(error.what(), before)
        error.set_message("second")
        self.assertTrue(error.what().startswith("[CorvaneException] Code: 0x86000f08 "))
        self.assertTrue(error.what().endswith(" Error message : second"))
        self.assertEqual(corvane.CorvaneException.get_velmor_last_error(), error.what())
        with self.assertRaises(TypeError):
            corvane.CorvaneException("m", 2 ** 32)


if __name__ == "__main__":
    unittest.main()
