"""ctypes access to the board simulator's control interface (sim/corvane_sim.h).

The simulator is preloaded into the test process (LD_PRELOAD), so its functions are
found in the process's global namespace.
"""
import ctypes
import os

IOCTL_GET_DIGITAL_INPUTS = 0xC0084110
IOCTL_GET_INTERRUPT_INFORMATIONS = 0xC0084108
IOCTL_SET_DIGITAL_OUTPUTS = 0xC0084121
IOCTL_READ_TIMER_COUNTER_WATCHDOG = 0xC0084133
MAX_RECORD = 2840
ALWAYS = -1


class InterruptData(ctypes.Structure):
    _fields_ = [
        ("interrupt_source", ctypes.c_uint32),
        ("interrupt_mask", ctypes.c_uint32),
        ("args_count", ctypes.c_uint32),
        ("args", ctypes.c_uint32 * 32),
    ]


class VelmorErrorType(ctypes.Structure):
    _fields_ = [
        ("driver_name", ctypes.c_char * 64),
        ("device_index", ctypes.c_uint8),
        ("function_name", ctypes.c_char * 128),
        ("reserved", ctypes.c_uint8 * 3),
        ("error_code", ctypes.c_uint32),
        ("message", ctypes.c_char * 256),
    ]


class TraceEntry(ctypes.Structure):
    _fields_ = [
        ("node", ctypes.c_char * 64),
        ("command", ctypes.c_uint32),
        ("size", ctypes.c_uint32),
        ("sent", ctypes.c_uint8 * MAX_RECORD),
        ("returned", ctypes.c_uint8 * MAX_RECORD),
        ("result", ctypes.c_int),
        ("error_number", ctypes.c_int),
    ]


def _library():
    for path in os.environ.get("LD_PRELOAD", "").split(":"):
        if os.path.basename(path).startswith("libcorvane_sim"):
            return ctypes.CDLL(path)
    return ctypes.CDLL(None)


_sim = _library()
if not hasattr(_sim, "corvane_sim_queue_interrupt"):
    raise ImportError("the board simulator is not loaded (LD_PRELOAD=libcorvane_sim.so)")

_sim.corvane_sim_queue_interrupt.argtypes = [ctypes.c_char_p, ctypes.POINTER(InterruptData)]
_sim.corvane_sim_pending_interrupts.argtypes = [ctypes.c_char_p]
_sim.corvane_sim_set_inputs.argtypes = [ctypes.c_char_p, ctypes.c_uint32]
_sim.corvane_sim_get_outputs.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.c_uint32)]
_sim.corvane_sim_set_port_inputs.argtypes = [ctypes.c_char_p, ctypes.c_uint, ctypes.c_uint8]
_sim.corvane_sim_get_port_outputs.argtypes = [ctypes.c_char_p, ctypes.c_uint, ctypes.POINTER(ctypes.c_uint8)]
_sim.corvane_sim_set_unit_value.argtypes = [ctypes.c_char_p, ctypes.c_uint, ctypes.c_uint32]
_sim.corvane_sim_set_unit_status.argtypes = [ctypes.c_char_p, ctypes.c_uint, ctypes.c_uint8,
                                             ctypes.c_uint8, ctypes.c_uint8]
_sim.corvane_sim_fail.argtypes = [ctypes.c_char_p, ctypes.c_uint32, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_int, ctypes.POINTER(VelmorErrorType)]
_sim.corvane_sim_trace_count.restype = ctypes.c_size_t
_sim.corvane_sim_trace_get.argtypes = [ctypes.c_size_t, ctypes.POINTER(TraceEntry)]


def _check(result, what):
    if result < 0:
        raise OSError(ctypes.get_errno(), "simulator: %s failed" % what)
    return result


def queue_interrupt(node, source=0, mask=0, args=()):
    """Queues one interrupt; args_count is len(args) even beyond 32 (only 32 are stored)."""
    data = InterruptData()
    data.interrupt_source = source
    data.interrupt_mask = mask
    data.args_count = len(args)
    for i, value in enumerate(list(args)[:32]):
        data.args[i] = value
    return _check(_sim.corvane_sim_queue_interrupt(node.encode(), ctypes.byref(data)), "queue_interrupt")


def queue_interrupt_raw(node, source, mask, args_count, args):
    data = InterruptData()
    data.interrupt_source = source
    data.interrupt_mask = mask
    data.args_count = args_count
    for i, value in enumerate(args):
        data.args[i] = value
    return _check(_sim.corvane_sim_queue_interrupt(node.encode(), ctypes.byref(data)), "queue_interrupt")


def pending_interrupts(node):
    return _check(_sim.corvane_sim_pending_interrupts(node.encode()), "pending_interrupts")


def set_inputs(node, word):
    _check(_sim.corvane_sim_set_inputs(node.encode(), word), "set_inputs")


def get_outputs(node):
    word = ctypes.c_uint32()
    _check(_sim.corvane_sim_get_outputs(node.encode(), ctypes.byref(word)), "get_outputs")
    return word.value


def set_port_inputs(node, port, value):
    _check(_sim.corvane_sim_set_port_inputs(node.encode(), port, value), "set_port_inputs")


def get_port_outputs(node, port):
    value = ctypes.c_uint8()
    _check(_sim.corvane_sim_get_port_outputs(node.encode(), port, ctypes.byref(value)), "get_port_outputs")
    return value.value


def set_unit_value(node, unit, value):
    _check(_sim.corvane_sim_set_unit_value(node.encode(), unit, value), "set_unit_value")


def set_unit_status(node, unit, status_1, status_2, status_3):
    _check(_sim.corvane_sim_set_unit_status(node.encode(), unit, status_1, status_2, status_3),
           "set_unit_status")


def fail(node, command, error_number=0, times=1, message=None):
    """Makes the next `times` calls of command on node fail (the driver's record names
    the command and "Injected failure" unless message is given)."""
    record = None
    if message is not None:
        record = VelmorErrorType()
        record.driver_name = b"simdrv_"
        record.function_name = b"sim_function"
        record.error_code = error_number or 5
        record.message = message.encode()
    _check(_sim.corvane_sim_fail(node.encode(), command, -1, error_number, times,
                                 ctypes.byref(record) if record is not None else None), "fail")


def clear_failures():
    _sim.corvane_sim_clear_failures()


def trace_clear():
    _sim.corvane_sim_trace_clear()


def trace():
    """Every command received since the last clear: (node, command, sent bytes, result)."""
    entries = []
    for i in range(_sim.corvane_sim_trace_count()):
        entry = TraceEntry()
        _check(_sim.corvane_sim_trace_get(i, ctypes.byref(entry)), "trace_get")
        entries.append((entry.node.decode(), entry.command, bytes(entry.sent[:entry.size]), entry.result))
    return entries


def trace_count():
    return _sim.corvane_sim_trace_count()
