"""Prints the number of boards the corvane module finds and their identifiers, one a line.

With an argument, the module is loaded from that file (the stable-ABI build, which an
interpreter with its own build beside it would not pick); it must lie in the directory
that PYTHONPATH names, as the imported one must.
"""
import importlib.util
import os
import sys

expected_dir = os.path.realpath(os.environ["PYTHONPATH"])
if len(sys.argv) > 1:
    spec = importlib.util.spec_from_file_location("corvane", sys.argv[1])
    corvane = importlib.util.module_from_spec(spec)
    sys.modules["corvane"] = corvane
    spec.loader.exec_module(corvane)
else:
    import corvane
module_dir = os.path.dirname(os.path.realpath(corvane.__file__))
if module_dir != expected_dir:
    sys.exit("corvane came from %s, not from %s" % (corvane.__file__, expected_dir))
print("module", os.path.basename(corvane.__file__), file=sys.stderr)
devices = corvane.DeviceDiscovery.get_devices()
print("%d boards" % len(devices))
for device in devices:
    print(device.get_card_information().id)
