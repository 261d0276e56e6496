"""A Modbus TCP client of corvane-modbus, with pymodbus (Debian's python3-pymodbus): reads
the inputs of a KELOE6100 served as unit UNIT, switches output 3 on and reads the outputs
back.

    python3 modbus_client.py [HOST [PORT [UNIT]]]      (default 127.0.0.1 1502 1)
"""

import sys

from pymodbus.client import ModbusTcpClient


def main():
    host = sys.argv[1] if len(sys.argv) > 1 else "127.0.0.1"
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 1502
    unit = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    client = ModbusTcpClient(host, port=port)
    if not client.connect():
        print("cannot connect to %s:%d" % (host, port))
        return 1
    try:
        inputs = client.read_discrete_inputs(0, 32, slave=unit)
        if inputs.isError():
            print("reading the inputs:", inputs)
            return 1
        on = [n for n, bit in enumerate(inputs.bits[:32]) if bit]
        word = client.read_input_registers(0, 2, slave=unit).registers
        print("inputs on: %s (input word 0x%04x%04x)" % (on, word[0], word[1]))
        written = client.write_coil(3, True, slave=unit)
        if written.isError():
            print("switching output 3 on:", written, "(is the gateway started with --allow-write?)")
            return 1
        outputs = client.read_coils(0, 32, slave=unit)
        print("outputs on: %s" % [n for n, bit in enumerate(outputs.bits[:32]) if bit])
        return 0
    finally:
        client.close()


if __name__ == "__main__":
    sys.exit(main())
