/* Control interface of the board simulator (libcorvane_sim.so).
 *
 * The simulator stands in for the boards' kernel drivers: it shows one node per
 * simulated board under "/dev/", opens such a node as an event descriptor and answers
 * the driver commands sent to it with ioctl. Tests and tools use the functions below to
 * configure boards, drive inputs, queue interrupts, inject failures and read back what
 * the library sent. Every function is thread-safe (one lock inside the simulator).
 *
 * Unless stated otherwise a function returns 0 on success and -1 on failure, with errno
 * set: ENOENT for an unknown node name, EINVAL for a bad argument, ERANGE for an index
 * out of range.
 *
 * Compiles as C11 and as C++17. */
#ifndef CORVANE_SIM_H
#define CORVANE_SIM_H

#include <stddef.h>
#include <stdint.h>

#include "VelmorTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define CORVANE_SIM_API __attribute__((visibility("default")))
#else
#define CORVANE_SIM_API
#endif

/* Largest argument record of the command set (IoctlGetDeviceInformations). */
#define CORVANE_SIM_MAX_RECORD 2840u
/* Timer, counter and watchdog units the simulator keeps per board (driver indices). */
#define CORVANE_SIM_MAX_UNITS 8u
/* Ports (8 channels each) the simulator keeps per board. */
#define CORVANE_SIM_MAX_PORTS 16u
/* Interrupts a board's queue holds at most; further ones are dropped like a full FIFO. */
#define CORVANE_SIM_INTERRUPT_QUEUE_SIZE 4096u
/* interrupt_source of the record that IoctlTestInterrupts queues. */
#define CORVANE_SIM_TEST_INTERRUPT_SOURCE 0x80000000u
/* interrupt_source of the interrupts the simulated boards raise by themselves (see
 * docs/simulator.md for interrupt_mask and args of each). */
#define CORVANE_SIM_SOURCE_DIGITAL_INPUT 0x00000001u
#define CORVANE_SIM_SOURCE_TIMER 0x00000002u
#define CORVANE_SIM_SOURCE_COUNTER 0x00000004u
#define CORVANE_SIM_SOURCE_WATCHDOG 0x00000008u
/* Command wildcard for corvane_sim_fail. */
#define CORVANE_SIM_ANY_COMMAND 0u
/* times value of corvane_sim_fail: fail every matching call. */
#define CORVANE_SIM_ALWAYS (-1)

/* ---- Boards ------------------------------------------------------------------- */

/* Adds boards described like CORVANE_SIM_BOARDS (for example
 * "keloe6100,kelo3100:number=1"). All or nothing: on a malformed description a message
 * naming the bad item goes to standard error, nothing is added, and -1 (EINVAL) is
 * returned. Returns the number of boards added otherwise. */
CORVANE_SIM_API int corvane_sim_add_boards(const char *spec);

/* Checks a description without changing anything. Returns the number of boards it
 * describes, or -1 with the reason copied into message (when message is not NULL,
 * truncated to size bytes, always zero-terminated). Prints nothing. */
CORVANE_SIM_API int corvane_sim_check_boards(const char *spec, char *message, size_t size);

/* Drops every board and all simulator state (trace, failure rules, queued interrupts,
 * the high-descriptor switch). With from_environment nonzero the boards of
 * CORVANE_SIM_BOARDS (read again now) are set up; otherwise none. Descriptors still
 * open on removed boards stay valid descriptors, but every command on them fails with
 * ENODEV, as on an unplugged board. Returns the number of boards now present, or -1
 * when the variable is malformed (message on standard error, no boards). */
CORVANE_SIM_API int corvane_sim_reset(int from_environment);

/* Number of simulated boards. */
CORVANE_SIM_API int corvane_sim_board_count(void);

/* Copies the node name of board index (0-based, in order of configuration) into
 * buffer (zero-terminated, truncated to size). */
CORVANE_SIM_API int corvane_sim_board_node(int index, char *buffer, size_t size);

/* Directory that stands for "/dev/" (created on first use); copied like above. */
CORVANE_SIM_API int corvane_sim_directory(char *buffer, size_t size);

/* ---- Driver-side state ----------------------------------------------------------- */

typedef struct corvane_sim_unit_state {
    int configured;                              /* IoctlInitTimerCounterWatchdog received */
    IoctlInitTimerCounterWatchdogStruct config;  /* last configuration of this unit */
    int running;                                 /* started and not stopped since */
    uint8_t start_interrupt;                     /* interrupt byte of the last start */
    uint32_t starts, stops, triggers;            /* commands received */
    uint32_t value;                              /* returned by value reads */
    uint8_t status[3];                           /* returned by status reads */
    /* The model of the unit (the fields above stay as they were). */
    int role;                                    /* CORVANE_SIM_UNIT_... since the last start */
    int pinned;                                  /* bit 0: value, bit 1: status set by control */
    uint32_t expiries;                           /* expiries / ends of count since the start */
    uint64_t next_event_ns;                      /* time of the next expiry; UINT64_MAX none */
} corvane_sim_unit_state;

/* role of a unit: what its last start made of it. */
#define CORVANE_SIM_UNIT_NONE 0
#define CORVANE_SIM_UNIT_TIMER 1
#define CORVANE_SIM_UNIT_COUNTER 2
#define CORVANE_SIM_UNIT_WATCHDOG 3

typedef struct corvane_sim_board_state {
    char node[64];
    char prefix[16];
    unsigned number_of_ports;                   /* ports the driver answers for */
    unsigned number_of_units;                   /* timer/counter/watchdog units */
    uint8_t inputs[CORVANE_SIM_MAX_PORTS];      /* channel 8p+n = bit n of inputs[p] */
    uint8_t outputs[CORVANE_SIM_MAX_PORTS];     /* same layout */
    uint32_t input_word;                        /* channels 0..31 of inputs */
    uint32_t output_word;                       /* channels 0..31 of outputs */
    int output_memory;                          /* memory flag of the last write; -1 none */
    uint32_t port_directions;                   /* bit p = port p output */
    int interrupts_enabled;                     /* IoctlEnableInterrupts received since the
                                                   node was last without open descriptors */
    int digital_interrupt_configured;           /* IoctlInitDigitalInputInterrupt received */
    IoctlInitDigitalInputInterruptStruct digital_interrupt;
    int digital_interrupt_started;              /* last IoctlStartStopDigitalInterrupt: 1/0; -1 none */
    int output_interrupt_set;                   /* IoctlSetDigitalOutputInterrupt received */
    uint8_t output_interrupt[2];                /* first_enable, second_enable */
    int custom_frequency_set;
    uint32_t custom_frequency;
    int last_unit;                              /* index of the last initialised unit; -1 none */
    corvane_sim_unit_state units[CORVANE_SIM_MAX_UNITS];
    unsigned pending_interrupts;                /* queue length */
    unsigned open_descriptors;                  /* descriptors open on the node */
    VelmorErrorType last_error;                 /* what IoctlGetLastError answers */
    uint64_t dropped_interrupts;                /* raised while the queue was full */
    unsigned number_of_inputs;                  /* inputs the driver answers for */
    unsigned number_of_outputs;                 /* outputs the driver answers for */
    int directory;                              /* 1: the node is a directory (dir=1) */
} corvane_sim_board_state;

/* Snapshot of a board's driver-side state. */
CORVANE_SIM_API int corvane_sim_get_state(const char *node, corvane_sim_board_state *state);

/* Inputs 0..31 (the word of IoctlGetDigitalInputs). Like every input change, this
 * drives the counters wired to the inputs and raises the configured input events. */
CORVANE_SIM_API int corvane_sim_set_inputs(const char *node, uint32_t inputs);
/* The 8 inputs of one port (IoctlGetAllDigitalInputsFromPort). */
CORVANE_SIM_API int corvane_sim_set_port_inputs(const char *node, unsigned port, uint8_t value);
/* One input (channel 8p+n is bit n of port p) to state 0 or 1. ERANGE for a channel the
 * board does not have, EINVAL for another state. */
CORVANE_SIM_API int corvane_sim_set_input(const char *node, unsigned channel, int state);
/* Outputs 0..31 as the driver keeps them. */
CORVANE_SIM_API int corvane_sim_get_outputs(const char *node, uint32_t *outputs);
/* The 8 outputs of one port. */
CORVANE_SIM_API int corvane_sim_get_port_outputs(const char *node, unsigned port, uint8_t *value);
/* Pins the value returned by value reads of a unit (IoctlReadTimerCounterWatchdog,
 * read_status 0): from now on reads answer it instead of the modelled count. */
CORVANE_SIM_API int corvane_sim_set_unit_value(const char *node, unsigned unit, uint32_t value);
/* Pins the status bytes returned by status reads of a unit (read_status 1). */
CORVANE_SIM_API int corvane_sim_set_unit_status(const char *node, unsigned unit, uint8_t status_1,
                                                uint8_t status_2, uint8_t status_3);
/* Releases both pins of a unit: its reads follow the model again. */
CORVANE_SIM_API int corvane_sim_unpin_unit(const char *node, unsigned unit);
/* Replaces the record that IoctlGetLastError answers. */
CORVANE_SIM_API int corvane_sim_set_error_record(const char *node, const VelmorErrorType *record);

/* ---- Interrupts ---------------------------------------------------------------------- */

/* Queues one interrupt; the node's descriptors are readable while the queue is not
 * empty. Returns the queue length afterwards, or -1 (ENOSPC when the queue is full). */
CORVANE_SIM_API int corvane_sim_queue_interrupt(const char *node, const InterruptData *data);
/* Queue length, or -1. */
CORVANE_SIM_API int corvane_sim_pending_interrupts(const char *node);

/* Interrupts the board raised by itself (timers, counters, watchdogs, input events)
 * while its queue was full, dropped like a full FIFO drops them, since the board was set
 * up (corvane_sim_reset sets up new boards). -1 with ENOENT for an unknown node. */
CORVANE_SIM_API long corvane_sim_dropped_interrupts(const char *node);

/* ---- Clock ------------------------------------------------------------------------- */

/* One clock per simulator. Real time by default: started timers and watchdogs run down
 * as on a board. Under the virtual clock nothing moves until corvane_sim_advance_ns. */
#define CORVANE_SIM_CLOCK_REAL 0
#define CORVANE_SIM_CLOCK_VIRTUAL 1

/* Selects the clock; the time goes on from where it stands (EINVAL for another value).
 * corvane_sim_reset returns to the real clock. */
CORVANE_SIM_API int corvane_sim_set_clock(int clock);
/* The selected clock. */
CORVANE_SIM_API int corvane_sim_get_clock(void);
/* Virtual clock only: moves the time on by ns, running every event due in that span in
 * time order. -1 with EINVAL on the real clock, EOVERFLOW when the time would pass
 * 2^64 - 1 ns. */
CORVANE_SIM_API int corvane_sim_advance_ns(uint64_t ns);
/* The simulator's time in nanoseconds (0 when the simulator started). */
CORVANE_SIM_API uint64_t corvane_sim_now_ns(void);

/* ---- Failure injection ------------------------------------------------------------ */

/* Makes command (a full command number, or CORVANE_SIM_ANY_COMMAND) on node (NULL or
 * "" for every node) fail: the call returns result (nonzero) with errno set to
 * error_number (0 means EIO), times times (CORVANE_SIM_ALWAYS for every call). The
 * board's error record becomes *record, or when record is NULL a record naming the
 * command and "Injected failure". A failing IoctlGetLastError leaves the error record
 * alone. Rules are checked in the order they were added; the first matching one wins. */
CORVANE_SIM_API int corvane_sim_fail(const char *node, uint32_t command, int result,
                                     int error_number, int times, const VelmorErrorType *record);
/* Like corvane_sim_fail, but the first skip matching calls run normally before the rule
 * fails any (EINVAL for a negative skip): skip 1 makes the second call of a command fail.
 * While it lets calls through, the rule still stands first among the matching ones. */
CORVANE_SIM_API int corvane_sim_fail_after(const char *node, uint32_t command, int skip,
                                           int result, int error_number, int times,
                                           const VelmorErrorType *record);
/* Removes every failure rule. */
CORVANE_SIM_API void corvane_sim_clear_failures(void);

/* Makes the next answer of command (a full command number) on node these bytes: the
 * driver handles the call as usual, then the caller's record holds the first size bytes
 * given (at most the command's record size; the rest of the record zero) and the call
 * succeeds. Answers queued for one node and command are used in the order queued; a
 * failure rule that matches the call goes first and leaves the answer queued. EINVAL for
 * a command without a record or a null bytes with a nonzero size. Returns the number of
 * answers now queued for that node and command. */
CORVANE_SIM_API int corvane_sim_queue_answer(const char *node, uint32_t command, const void *bytes,
                                             size_t size);
/* Drops every queued answer (corvane_sim_reset does too). */
CORVANE_SIM_API void corvane_sim_clear_answers(void);

/* ---- Trace ------------------------------------------------------------------------ */

typedef struct corvane_sim_trace_entry {
    char node[64];
    uint32_t command;
    uint32_t size;                           /* bytes captured: the command's record size;
                                                0 for null-argument commands or a null pointer */
    uint8_t sent[CORVANE_SIM_MAX_RECORD];     /* argument bytes as the caller passed them */
    uint8_t returned[CORVANE_SIM_MAX_RECORD]; /* argument bytes when the call returned */
    int result;                              /* what ioctl returned */
    int error_number;                        /* errno set on failure, 0 on success */
} corvane_sim_trace_entry;

/* Number of entries in the trace (every command received on a simulated descriptor,
 * oldest first; the trace keeps the latest 65536, or the limit set below). */
CORVANE_SIM_API size_t corvane_sim_trace_count(void);
/* Copies entry index into *entry. */
CORVANE_SIM_API int corvane_sim_trace_get(size_t index, corvane_sim_trace_entry *entry);
/* Empties the trace. */
CORVANE_SIM_API void corvane_sim_trace_clear(void);
/* Keeps at most the latest limit entries from now on (dropping older ones at once); 0
 * records nothing. Long runs set a small limit so that the trace's memory stays flat.
 * corvane_sim_reset restores 65536. */
CORVANE_SIM_API void corvane_sim_set_trace_limit(size_t limit);

/* ---- Descriptors ----------------------------------------------------------------------- */

/* With on nonzero, opening a node hands out a descriptor numbered 1024 or above
 * (raising the soft descriptor limit when needed). */
CORVANE_SIM_API void corvane_sim_set_high_descriptors(int on);
/* 1 when fd is a descriptor opened on a simulated node, else 0. The node name is
 * copied into node (when not NULL). */
CORVANE_SIM_API int corvane_sim_is_simulated(int fd, char *node, size_t size);

#ifdef __cplusplus
}
#endif

#endif
