"""Misuses of the corvane module that its stub must let mypy --strict find: each line
whose comment starts with E: must be reported with the comment's text, and no other line."""
import corvane


def misuse(board: corvane.Device, io: corvane.DigitalIOInterface, error: corvane.CorvaneError) -> None:
    io.write_single_digital_output(chanel=1, state=True)  # E: Unexpected keyword argument "chanel"
    io.write_single_digital_output(channel=1, state="on")  # E: Argument "state" to "write_single_digital_output"
    io.set_interrupt_event_for_one_input(channel=1, event=3)  # E: Argument "event" to "set_interrupt_event_for_one_input"
    name: str = error.function.name  # E: Item "int" of "Union[VelmorFunction, int]" has no attribute "name"
    code: str = error.code  # E: Incompatible types in assignment
    board.timer().start_timer(timer=0)  # E: Item "None" of "Optional[TimerInterface]" has no attribute "start_timer"
    value: str = corvane.CorvaneException.get_reason(code=18)  # E: Incompatible types in assignment
    version: int = corvane.__version__  # E: Incompatible types in assignment
    board.interrupt_thread()  # E: "Device" has no attribute "interrupt_thread"
    del name, code, value, version
