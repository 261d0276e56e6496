"""First steps with libCorvane from Python: list the boards, read the inputs of one
board, switch outputs and read them back, and read a failure."""
import sys

import corvane


def main() -> int:
    board_id = sys.argv[1] if len(sys.argv) > 1 else "keloe6100_0"

    # 1. The boards, in identifier order.
    boards = corvane.DeviceDiscovery.get_devices()
    print(f"Boards: {len(boards)}")
    for board in boards:
        info = board.get_card_information()
        digital_info = info.functions.digital
        print(f"  {info.id:<12} {info.general.product_name:<10} inputs {digital_info.number_inputs:2},"
              f" outputs {digital_info.number_outputs:2}, ports {digital_info.number_of_ports:2}")

    # 2. One board by its identifier (None when there is none); each capability is None
    #    when the board lacks it.
    board = corvane.DeviceDiscovery.get_device_from_id(board_id)
    if board is None:
        print(f"no board {board_id}")
        return 1
    digital = board.digital_io()
    if digital is None:
        print(f"{board_id} has no numbered digital channels")
        return 1
    inputs = digital.read_all_digital_input()
    input3 = digital.read_single_digital_input(channel=3)
    print(f"{board_id} inputs: 0x{inputs:08X}, input 3 is {'on' if input3 else 'off'}")

    # 3. Switch output 0 and outputs 12 to 15 on, output 0 off again, read them back.
    digital.write_single_digital_output(channel=0, state=True)
    digital.write_all_digital_output(mask=0x0000F000, state=True)
    print(f"{board_id} outputs: 0x{digital.get_digital_output_status():08X}")
    digital.write_single_digital_output(channel=0, state=False)
    print(f"{board_id} outputs: 0x{digital.get_digital_output_status():08X}")

    # 4. A failure: output 32 does not exist. The call raises before the board sees it.
    try:
        digital.write_single_digital_output(channel=32, state=True)
    except corvane.CorvaneError as error:
        print(f"write_single_digital_output(32) failed with code 0x{error.code:08X}")
        # Each field is a member of its enumeration, or a plain int for a value without a name.
        fields = (error.source, error.domain, error.function, error.reason)
        print("  " + ", ".join(getattr(field, "name", str(field)) for field in fields))
        print(f"  message: {error.message}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
