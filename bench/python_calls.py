"""Times one read of all digital inputs from Python, through the corvane module's method
and through ctypes on the C function, in this one interpreter.

Run over the simulator (preloaded) with the module's directory on PYTHONPATH:
    python_calls.py LIBRARY BOARD CALLS ROUNDS
Prints one JSON object: the interpreter, the module's file, and for each way the best and
the median nanoseconds per call (the for loop included) over ROUNDS rounds of CALLS calls,
the two ways taking turns.
"""
import ctypes
import json
import statistics
import sys
import time

import corvane


def time_method(method, calls):
    begin = time.perf_counter_ns()
    for _ in range(calls):
        method()
    return (time.perf_counter_ns() - begin) / calls


def time_ctypes(function, name, pointer, calls):
    begin = time.perf_counter_ns()
    for _ in range(calls):
        function(name, pointer)
    return (time.perf_counter_ns() - begin) / calls


def main():
    library_path, board, calls, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    device = corvane.DeviceDiscovery.get_device_from_id(board)
    if device is None:
        sys.exit("bench: board %s not found" % board)
    method = device.digital_io().read_all_digital_input

    library = ctypes.CDLL(library_path)
    function = library.VelmorReadAllDigitalInputs
    function.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.c_uint32)]
    function.restype = ctypes.c_uint32
    name = board.encode()
    value = ctypes.c_uint32(0xFFFFFFFF)
    pointer = ctypes.byref(value)

    # Both ways go through one and the same library (the module's), to the same board.
    with open("/proc/self/maps") as maps:
        loaded = {line.split()[-1] for line in maps if "libCorvane.so" in line}
    if len(loaded) != 1:
        sys.exit("bench: more than one libCorvane loaded: %s" % ", ".join(sorted(loaded)))
    if function(name, pointer) != 0 or value.value != method():
        sys.exit("bench: the two ways disagree")

    method_ns, ctypes_ns = [], []
    for round_number in range(rounds):
        if round_number % 2 == 0:
            method_ns.append(time_method(method, calls))
            ctypes_ns.append(time_ctypes(function, name, pointer, calls))
        else:
            ctypes_ns.append(time_ctypes(function, name, pointer, calls))
            method_ns.append(time_method(method, calls))
    print(json.dumps({
        "interpreter": "%d.%d.%d" % sys.version_info[:3],
        "module": corvane.__file__,
        "calls": calls * rounds,
        "method_ns": {"best": min(method_ns), "median": statistics.median(method_ns)},
        "ctypes_ns": {"best": min(ctypes_ns), "median": statistics.median(ctypes_ns)},
    }))


if __name__ == "__main__":
    main()
