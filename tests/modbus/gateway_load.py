"""Load on corvane-modbus over a simulator server: CLIENTS pymodbus clients, each sending
REQUESTS requests in turn (read discrete inputs, write its own coil, read coils, read
the input and output words, write its coil again), all at once. Any error fails; the
outputs must end as the clients last wrote them. Prints the requests per second and the
latency percentiles.

    gateway_load.py [--clients 10] [--requests 10000]
(environment as for the other gateway tests: gateway_support.py)"""

import argparse
import sys
import threading
import time

import corvane_sim
from gateway_support import RUNNER, Gateway

UNIT = 1  # keloe6100_0


def client_loop(gateway, index, requests, latencies, errors, last):
    client = gateway.client()
    try:
        for n in range(requests):
            kind = n % 5
            started = time.perf_counter()
            if kind == 0:
                r = client.read_discrete_inputs(0, 32, slave=UNIT)
            elif kind == 1 or kind == 4:
                state = (n // 5 + kind) % 2 == 0
                r = client.write_coil(index, state, slave=UNIT)
                last[index] = state
            elif kind == 2:
                r = client.read_coils(0, 32, slave=UNIT)
            else:
                r = client.read_input_registers(0, 4, slave=UNIT)
            latencies.append(time.perf_counter() - started)
            if r.isError():
                errors.append("client %d request %d: %s" % (index, n, r))
    except Exception as error:  # a lost connection
        errors.append("client %d: %r" % (index, error))
    finally:
        client.close()


def percentile(sorted_values, fraction):
    return sorted_values[min(len(sorted_values) - 1, int(fraction * len(sorted_values)))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--clients", type=int, default=10)
    parser.add_argument("--requests", type=int, default=10000)
    args = parser.parse_args()
    with corvane_sim.Server(boards="keloe6100", runner=RUNNER) as server:
        sim = server.client()
        sim.set_inputs("keloe6100_0", 0xA5A5A5A5)
        gateway = Gateway(server, "--allow-write", "--max-clients", str(max(16, args.clients)))
        latencies = [[] for _ in range(args.clients)]
        errors = []
        last = [None] * args.clients
        threads = [threading.Thread(target=client_loop, args=(gateway, i, args.requests, latencies[i], errors, last))
                   for i in range(args.clients)]
        started = time.perf_counter()
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        elapsed = time.perf_counter() - started
        outputs = sim.state("keloe6100_0")["outputs"]
        status = gateway.stop()
        gateway.close()
    all_latencies = sorted(x for per in latencies for x in per)
    total = len(all_latencies)
    print("%d clients x %d requests: %d answered in %.2f s, %.0f requests/s; latency p50 %.2f ms, "
          "p99 %.2f ms, max %.2f ms; %d errors"
          % (args.clients, args.requests, total, elapsed, total / elapsed,
             1000 * percentile(all_latencies, 0.50), 1000 * percentile(all_latencies, 0.99),
             1000 * all_latencies[-1], len(errors)))
    for error in errors[:10]:
        print("error:", error)
    expected = sum(1 << i for i, state in enumerate(last) if state)
    lost = total != args.clients * args.requests or errors or outputs != expected or status != 0
    if outputs != expected:
        print("outputs 0x%08x, but the clients last wrote 0x%08x" % (outputs, expected))
    if status != 0:
        print("the gateway exited with %d" % status)
    return 1 if lost else 0


if __name__ == "__main__":
    sys.exit(main())
