/* Binary records shared with the kernel drivers and with compiled callers, and the
 * enumerations they use. x86-64, natural alignment, no packing: every size and offset
 * below is part of the interface and is checked at compile time.
 * Compiles as C11 and as C++17. */
#ifndef CORVANE_VELMOR_TYPES_H
#define CORVANE_VELMOR_TYPES_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
#define VELMOR_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define VELMOR_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* The enumerations that C callers pass by value (time base, input event, port logic)
 * have int as their fixed underlying type under C++: every int a C caller passes is then
 * a value of the type, which the library checks and refuses with its own code. In C the
 * types stay as they are; the size (4 bytes) and the passing of arguments are the same. */
#ifdef __cplusplus
#define VELMOR_ENUM_INT : int
#else
#define VELMOR_ENUM_INT
#endif

/* ---- Enumerations -------------------------------------------------------------- */

typedef enum TIMEBASE_UNITS VELMOR_ENUM_INT {
    MICROSECOND = 0,
    MILLISECOND = 1,
    SECOND = 2,
    CUSTOM = 3
} TIMEBASE_UNITS;

typedef enum DIGITAL_EVENT_TYPE VELMOR_ENUM_INT {
    UNUSED = 0,
    ON_ZERO = 1,
    ON_ONE = 2,
    FALLING_EDGE = 3,
    RISING_EDGE = 4,
    ANY_EDGE = 5
} DIGITAL_EVENT_TYPE;

typedef enum DIGITAL_EVENT_LOGIC VELMOR_ENUM_INT {
    OR = 0,
    AND = 1
} DIGITAL_EVENT_LOGIC;

/* Bit flags. COUNT_DIRECTION_DOWN is the absence of COUNT_DIRECTION_UP;
 * COUNTER_BOTH_EDGE_COUNT is the union of the two single-edge bits. */
typedef enum VELMOR_TCW_OPTIONS {
    COUNT_DIRECTION_DOWN = 0,
    COUNT_DIRECTION_UP = 1,
    SINGLE_CYCLE = 2,
    EXTERNAL_TRIGGER = 4,
    HARDWARE_GATE = 8,
    COUNTER_FALLING_EDGE_COUNT = 16,
    COUNTER_RISING_EDGE_COUNT = 32,
    COUNTER_BOTH_EDGE_COUNT = 48
} VELMOR_TCW_OPTIONS;

typedef enum DIGIO_COUNTER_TIMER_SOURCE {
    SIGNAL_INPUT = 0,
    TRIGGER_INPUT = 1,
    GATE_INPUT = 2
} DIGIO_COUNTER_TIMER_SOURCE;

typedef enum PORT_DIRECTION {
    PORT_INPUT = 0,
    PORT_OUTPUT = 1
} PORT_DIRECTION;

typedef enum VELMOR_DEVICE_TYPE {
    VELMOR_DEVICE_PCI = 0,
    VELMOR_DEVICE_PCIE = 1
} VELMOR_DEVICE_TYPE;

/* ---- Device structure and information records --------------------------------- */

typedef struct DigitalInformations {
    uint8_t number_inputs;
    uint8_t number_outputs;
    uint8_t number_of_ports;
    uint8_t reserved;
    uint32_t interrupt_mask;
} DigitalInformations;

typedef struct TimerInformations {
    uint8_t number_timers;
    uint16_t max_reload_value[4]; /* index = TIMEBASE_UNITS */
    uint32_t valid_options;
    uint16_t min_reload_value[4];
} TimerInformations;

typedef struct WatchdogInformations {
    uint8_t number_watchdogs;
    uint16_t max_reload_value[4];
    uint32_t valid_options;
    uint16_t min_reload_value[4];
} WatchdogInformations;

typedef struct CounterInformations {
    uint8_t number_counters;
    uint32_t max_reload_value;
    uint32_t valid_options;
} CounterInformations;

typedef struct VelmorFunctionInformations {
    DigitalInformations digital;
    TimerInformations timer;
    WatchdogInformations watchdog;
    CounterInformations counter;
} VelmorFunctionInformations;

typedef struct VelmorGeneralInformations {
    char serial_number[256];
    char product_name[256];
    char firmware_version[256];
    char library_version[256];
    char driver_version[256];
    char device_path[256];
    wchar_t custom_id[256];
    uint32_t device_type; /* VELMOR_DEVICE_TYPE */
} VelmorGeneralInformations;

typedef struct VelmorPCIBusInformations {
    uint16_t vendor_id;
    uint16_t device_id;
    uint32_t number;
    uint32_t device_number;
    uint32_t bus_number;
    uint64_t base_address_register[6];
    uint8_t interrupt_number;
    uint8_t is_pcie;
    uint8_t reserved[6];
} VelmorPCIBusInformations;

typedef struct VelmorDeviceStruct {
    char id[256];
    VelmorGeneralInformations general;
    VelmorFunctionInformations functions;
    VelmorPCIBusInformations bus;
} VelmorDeviceStruct;

/* ---- Interrupts and driver errors ---------------------------------------------- */

typedef struct InterruptData {
    uint32_t interrupt_source;
    uint32_t interrupt_mask;
    uint32_t args_count; /* valid entries of args, at most 32 */
    uint32_t args[32];
} InterruptData;

typedef struct VelmorErrorType {
    char driver_name[64];
    uint8_t device_index;
    char function_name[128];
    uint8_t reserved[3];
    uint32_t error_code;
    char message[256];
} VelmorErrorType;

/* ---- Argument records of the driver commands ----------------------------------- */

typedef struct IoctlGetDeviceInformationsStruct {
    VelmorPCIBusInformations bus;
    wchar_t custom_id[50];
    uint8_t reserved1[256];
    char product_name[256];
    char firmware_version[256];
    uint8_t reserved2[1800];
} IoctlGetDeviceInformationsStruct;

typedef struct IoctlInitTimerCounterWatchdogStruct {
    uint8_t index;
    uint8_t timebase; /* TIMEBASE_UNITS; 0 for counters */
    uint16_t mode;
    uint32_t reload_value;
    uint32_t options; /* VELMOR_TCW_OPTIONS, masked with the board's valid_options */
} IoctlInitTimerCounterWatchdogStruct;

typedef struct IoctlInitDigitalInputInterruptStruct {
    uint8_t logic_and;
    uint8_t reserved[3];
    uint32_t first_mask;
    uint32_t second_mask;
} IoctlInitDigitalInputInterruptStruct;

/* IoctlGetAllDigitalInputsFromPort and IoctlGetDigitalOutputsStatusOnPort. */
typedef struct IoctlPortValueStruct {
    uint8_t port;  /* in */
    uint8_t value; /* out */
} IoctlPortValueStruct;

typedef struct IoctlSetDigitalOutputsStruct {
    uint32_t mask;
    uint8_t memory;
    uint8_t state; /* 1 switch on, 0 switch off */
    uint8_t reserved[2];
} IoctlSetDigitalOutputsStruct;

typedef struct IoctlSetDigitalOutputInterruptStruct {
    uint8_t first_enable;
    uint8_t second_enable;
} IoctlSetDigitalOutputInterruptStruct;

typedef struct IoctlSetDigitalOutputsOnPortStruct {
    uint8_t port;
    uint8_t mask;
    uint8_t memory;
    uint8_t state;
} IoctlSetDigitalOutputsOnPortStruct;

typedef struct IoctlStartStopTriggerTimerCounterWatchdogStruct {
    uint8_t index;
    uint8_t action;    /* 1 start, 0 stop, 2 trigger */
    uint8_t interrupt; /* on start: 1 when any timer/counter/watchdog interrupt event is set */
} IoctlStartStopTriggerTimerCounterWatchdogStruct;

typedef struct IoctlReadTimerCounterWatchdogStruct {
    uint8_t index;       /* in */
    uint8_t reserved[3]; /* 0 */
    uint32_t value;      /* out */
    uint8_t read_status; /* in: 1 status read, 0 value read */
    uint8_t status_1;    /* out */
    uint8_t status_2;    /* out */
    uint8_t status_3;    /* out */
} IoctlReadTimerCounterWatchdogStruct;

/* ---- Layout checks -------------------------------------------------------------- */

VELMOR_STATIC_ASSERT(sizeof(TIMEBASE_UNITS) == 4, "TIMEBASE_UNITS size");
VELMOR_STATIC_ASSERT(sizeof(DIGITAL_EVENT_TYPE) == 4, "DIGITAL_EVENT_TYPE size");
VELMOR_STATIC_ASSERT(sizeof(DIGITAL_EVENT_LOGIC) == 4, "DIGITAL_EVENT_LOGIC size");
VELMOR_STATIC_ASSERT(sizeof(wchar_t) == 4, "wchar_t must be 32 bits");
VELMOR_STATIC_ASSERT(sizeof(DigitalInformations) == 8, "DigitalInformations size");
VELMOR_STATIC_ASSERT(offsetof(DigitalInformations, number_of_ports) == 2, "number_of_ports offset");
VELMOR_STATIC_ASSERT(offsetof(DigitalInformations, interrupt_mask) == 4, "interrupt_mask offset");
VELMOR_STATIC_ASSERT(sizeof(TimerInformations) == 24, "TimerInformations size");
VELMOR_STATIC_ASSERT(offsetof(TimerInformations, max_reload_value) == 2, "timer max_reload_value offset");
VELMOR_STATIC_ASSERT(offsetof(TimerInformations, valid_options) == 12, "timer valid_options offset");
VELMOR_STATIC_ASSERT(offsetof(TimerInformations, min_reload_value) == 16, "timer min_reload_value offset");
VELMOR_STATIC_ASSERT(sizeof(WatchdogInformations) == 24, "WatchdogInformations size");
VELMOR_STATIC_ASSERT(offsetof(WatchdogInformations, max_reload_value) == 2, "watchdog max_reload_value offset");
VELMOR_STATIC_ASSERT(offsetof(WatchdogInformations, valid_options) == 12, "watchdog valid_options offset");
VELMOR_STATIC_ASSERT(offsetof(WatchdogInformations, min_reload_value) == 16, "watchdog min_reload_value offset");
VELMOR_STATIC_ASSERT(sizeof(CounterInformations) == 12, "CounterInformations size");
VELMOR_STATIC_ASSERT(offsetof(CounterInformations, max_reload_value) == 4, "counter max_reload_value offset");
VELMOR_STATIC_ASSERT(offsetof(CounterInformations, valid_options) == 8, "counter valid_options offset");
VELMOR_STATIC_ASSERT(sizeof(VelmorFunctionInformations) == 68, "VelmorFunctionInformations size");
VELMOR_STATIC_ASSERT(offsetof(VelmorFunctionInformations, timer) == 8, "functions.timer offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorFunctionInformations, watchdog) == 32, "functions.watchdog offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorFunctionInformations, counter) == 56, "functions.counter offset");
VELMOR_STATIC_ASSERT(sizeof(VelmorGeneralInformations) == 2564, "VelmorGeneralInformations size");
VELMOR_STATIC_ASSERT(offsetof(VelmorGeneralInformations, product_name) == 256, "product_name offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorGeneralInformations, firmware_version) == 512, "firmware_version offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorGeneralInformations, library_version) == 768, "library_version offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorGeneralInformations, driver_version) == 1024, "driver_version offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorGeneralInformations, device_path) == 1280, "device_path offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorGeneralInformations, custom_id) == 1536, "custom_id offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorGeneralInformations, device_type) == 2560, "device_type offset");
VELMOR_STATIC_ASSERT(sizeof(VelmorPCIBusInformations) == 72, "VelmorPCIBusInformations size");
VELMOR_STATIC_ASSERT(offsetof(VelmorPCIBusInformations, number) == 4, "bus.number offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorPCIBusInformations, device_number) == 8, "bus.device_number offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorPCIBusInformations, bus_number) == 12, "bus.bus_number offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorPCIBusInformations, base_address_register) == 16, "BAR offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorPCIBusInformations, interrupt_number) == 64, "interrupt_number offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorPCIBusInformations, is_pcie) == 65, "is_pcie offset");
VELMOR_STATIC_ASSERT(sizeof(VelmorDeviceStruct) == 2960, "VelmorDeviceStruct size");
VELMOR_STATIC_ASSERT(offsetof(VelmorDeviceStruct, general) == 256, "general offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorDeviceStruct, functions) == 2820, "functions offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorDeviceStruct, bus) == 2888, "bus offset");
VELMOR_STATIC_ASSERT(sizeof(InterruptData) == 140, "InterruptData size");
VELMOR_STATIC_ASSERT(offsetof(InterruptData, args_count) == 8, "args_count offset");
VELMOR_STATIC_ASSERT(offsetof(InterruptData, args) == 12, "args offset");
VELMOR_STATIC_ASSERT(sizeof(VelmorErrorType) == 456, "VelmorErrorType size");
VELMOR_STATIC_ASSERT(offsetof(VelmorErrorType, device_index) == 64, "device_index offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorErrorType, function_name) == 65, "function_name offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorErrorType, error_code) == 196, "error_code offset");
VELMOR_STATIC_ASSERT(offsetof(VelmorErrorType, message) == 200, "message offset");
VELMOR_STATIC_ASSERT(sizeof(IoctlGetDeviceInformationsStruct) == 2840, "IoctlGetDeviceInformationsStruct size");
VELMOR_STATIC_ASSERT(offsetof(IoctlGetDeviceInformationsStruct, custom_id) == 72, "info custom_id offset");
VELMOR_STATIC_ASSERT(offsetof(IoctlGetDeviceInformationsStruct, product_name) == 528, "info product_name offset");
VELMOR_STATIC_ASSERT(offsetof(IoctlGetDeviceInformationsStruct, firmware_version) == 784, "info firmware offset");
VELMOR_STATIC_ASSERT(sizeof(IoctlInitTimerCounterWatchdogStruct) == 12, "IoctlInitTimerCounterWatchdogStruct size");
VELMOR_STATIC_ASSERT(offsetof(IoctlInitTimerCounterWatchdogStruct, mode) == 2, "tcw mode offset");
VELMOR_STATIC_ASSERT(offsetof(IoctlInitTimerCounterWatchdogStruct, reload_value) == 4, "tcw reload offset");
VELMOR_STATIC_ASSERT(offsetof(IoctlInitTimerCounterWatchdogStruct, options) == 8, "tcw options offset");
VELMOR_STATIC_ASSERT(sizeof(IoctlInitDigitalInputInterruptStruct) == 12, "IoctlInitDigitalInputInterruptStruct size");
VELMOR_STATIC_ASSERT(offsetof(IoctlInitDigitalInputInterruptStruct, first_mask) == 4, "first_mask offset");
VELMOR_STATIC_ASSERT(offsetof(IoctlInitDigitalInputInterruptStruct, second_mask) == 8, "second_mask offset");
VELMOR_STATIC_ASSERT(sizeof(IoctlPortValueStruct) == 2, "IoctlPortValueStruct size");
VELMOR_STATIC_ASSERT(sizeof(IoctlSetDigitalOutputsStruct) == 8, "IoctlSetDigitalOutputsStruct size");
VELMOR_STATIC_ASSERT(offsetof(IoctlSetDigitalOutputsStruct, memory) == 4, "outputs memory offset");
VELMOR_STATIC_ASSERT(offsetof(IoctlSetDigitalOutputsStruct, state) == 5, "outputs state offset");
VELMOR_STATIC_ASSERT(sizeof(IoctlSetDigitalOutputInterruptStruct) == 2, "IoctlSetDigitalOutputInterruptStruct size");
VELMOR_STATIC_ASSERT(sizeof(IoctlSetDigitalOutputsOnPortStruct) == 4, "IoctlSetDigitalOutputsOnPortStruct size");
VELMOR_STATIC_ASSERT(sizeof(IoctlStartStopTriggerTimerCounterWatchdogStruct) == 3, "start/stop record size");
VELMOR_STATIC_ASSERT(sizeof(IoctlReadTimerCounterWatchdogStruct) == 12, "IoctlReadTimerCounterWatchdogStruct size");
VELMOR_STATIC_ASSERT(offsetof(IoctlReadTimerCounterWatchdogStruct, value) == 4, "read value offset");
VELMOR_STATIC_ASSERT(offsetof(IoctlReadTimerCounterWatchdogStruct, read_status) == 8, "read_status offset");
VELMOR_STATIC_ASSERT(offsetof(IoctlReadTimerCounterWatchdogStruct, status_3) == 11, "status_3 offset");

#endif
