"""The corvane module in a process without any board (CORVANE_SIM_BOARDS empty)."""
import unittest

import corvane


class NoBoardTest(unittest.TestCase):
    def test_empty_registry(self):
        self.assertEqual(corvane.DeviceDiscovery.get_devices(), [])
        self.assertIsNone(corvane.DeviceDiscovery.get_device_from_id("keloe6100_0"))
        # The failed look-up is the last error.
        self.assertTrue(corvane.CorvaneException.get_velmor_last_error().startswith(
            "[CorvaneException] Code: 0x80002810 "))
        self.assertTrue(corvane.CorvaneException.get_velmor_last_error().endswith("Error message : map::at"))

    def test_records_without_boards(self):
        self.assertEqual(corvane.VelmorDeviceStruct().functions.timer.max_reload_value, [0, 0, 0, 0])


if __name__ == "__main__":
    unittest.main()
