"""The corvane module as a reference: every public name documented, the version of the
library it was built with.
"""
import enum
import inspect
import os
import re
import unittest

import corvane


def documentation(value):
    """The text written for a name, without what nanobind generates by itself (the
    signature lines of its functions) and without what Python inherits (the class's text
    on an enumeration member)."""
    function = value.fget if isinstance(value, property) else value
    if hasattr(function, "__nb_signature__"):
        # One (signature, docstring, defaults) per overload; the docstring is what was written.
        written = "".join(entry[1] or "" for entry in function.__nb_signature__)
        if isinstance(value, property):
            written += value.__doc__ or ""
        return written.strip()
    if isinstance(value, (staticmethod, classmethod)):
        return documentation(value.__func__)
    return (value.__doc__ or "").strip()


def public_names():
    """(qualified name, object) of everything public in the module, its classes' members
    and its enumerations' members."""
    for name, value in vars(corvane).items():
        if name.startswith("_"):
            continue
        yield name, value
        if not inspect.isclass(value):
            continue
        members = value.__members__ if issubclass(value, enum.Enum) else {}
        for member_name, member in members.items():
            yield name + "." + member_name, member
        for attribute, member in vars(value).items():
            if attribute.startswith("_") or attribute in members:
                continue
            yield name + "." + attribute, member


class DocumentationTest(unittest.TestCase):
    def test_module_reads_like_a_manual(self):
        text = corvane.__doc__
        for topic in ("DeviceDiscovery", "CorvaneError", "by name", "TypeError", "interrupt"):
            self.assertIn(topic, text)

    def test_every_public_name_is_documented(self):
        names = list(public_names())
        # The walk reaches the parts that are easy to forget.
        reached = {name for name, _ in names}
        for expected in ("CorvaneError.code", "CorvaneError.function", "VelmorReason.VELMOR_REASON_HANDLE_ERROR",
                         "InterruptInterface.test_card_interrupts", "DeviceDiscovery.get_device_from_id",
                         "VelmorDeviceStruct.general", "PluginHandle", "VELMOR_TCW_OPTIONS.SINGLE_CYCLE",
                         "CorvaneException.get_velmor_last_error", "DigitalIOInterface.set_output_interrupt"):
            self.assertIn(expected, reached)
        self.assertGreater(len(names), 240)
        undocumented = [name for name, value in names if not documentation(value)]
        self.assertEqual(undocumented, [])
        # A member's text is its own, not its enumeration's.
        for name, value in names:
            if isinstance(value, enum.Enum):
                self.assertNotEqual(documentation(value), documentation(type(value)), name)

    def test_arguments_are_described(self):
        # Every named argument of a method appears in its docstring.
        for name, value in public_names():
            for signature, docstring, _ in getattr(value, "__nb_signature__", ()):
                arguments = re.findall(r"[(,] ?(\w+):", signature)
                for argument in arguments:
                    if argument != "self":
                        self.assertIn(argument + ":", docstring or "", "%s does not describe %s" % (name, argument))


class VersionTest(unittest.TestCase):
    def test_version_is_the_library_version(self):
        self.assertRegex(corvane.__version__, r"^\d+\.\d+\.\d+$")
        # The library the module runs on carries the same version in its file name.
        with open("/proc/self/maps") as maps:
            paths = {line.split()[-1] for line in maps if "libCorvane.so" in line}
        self.assertTrue(paths, "libCorvane is not loaded")
        names = {os.path.basename(os.path.realpath(path)) for path in paths}
        self.assertEqual(names, {"libCorvane.so." + corvane.__version__})


if __name__ == "__main__":
    unittest.main()
