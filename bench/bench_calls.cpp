// What one call costs: the floor (the two system calls the library cannot avoid, made by
// the benchmark itself on its own descriptor of the same simulated node), the C interface
// and the object interface, over one simulated KELOE6100.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include <benchmark/benchmark.h>

#include <corvane/Corvane.h>
#include <corvane/DeviceDiscovery.h>
#include <corvane/DigitalIOInterface.h>
#include <corvane/IoctlCommands.h>

#include "BenchSupport.h"

namespace {

using corvane_bench::kBoard;

// The code of a channel out of range on the KELOE6100.
constexpr uint32_t kChannelRangeCode = 0x82001004u;

// ---- The floor -------------------------------------------------------------------------

void floor_read_inputs(benchmark::State& state) {
    const int fd = corvane_bench::openNode(kBoard);
    uint32_t word = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fcntl(fd, F_GETFD));
        if (ioctl(fd, velmor::corvane::IoctlGetDigitalInputs, &word) != 0) {
            state.SkipWithError("IoctlGetDigitalInputs failed");
            break;
        }
        benchmark::DoNotOptimize(word);
    }
    close(fd);
}

void floor_write_output(benchmark::State& state) {
    const int fd = corvane_bench::openNode(kBoard);
    IoctlSetDigitalOutputsStruct record;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fcntl(fd, F_GETFD));
        std::memset(&record, 0, sizeof record);
        record.mask = 1u << 3;
        record.state = 1;
        if (ioctl(fd, velmor::corvane::IoctlSetDigitalOutputs, &record) != 0) {
            state.SkipWithError("IoctlSetDigitalOutputs failed");
            break;
        }
    }
    close(fd);
}

// No driver call: a device structure lookup cannot avoid one copy of the structure.
void floor_copy_device_struct(benchmark::State& state) {
    static VelmorDeviceStruct source;
    VelmorDeviceStruct copy;
    for (auto _ : state) {
        benchmark::DoNotOptimize(&source);
        std::memcpy(&copy, &source, sizeof copy);
        benchmark::DoNotOptimize(&copy);
        benchmark::ClobberMemory();
    }
}

// ---- The C interface --------------------------------------------------------------------

void c_read_all_digital_inputs(benchmark::State& state) {
    uint32_t word = 0;
    for (auto _ : state) {
        if (VelmorReadAllDigitalInputs(kBoard, &word) != 0) {
            state.SkipWithError("VelmorReadAllDigitalInputs failed");
            break;
        }
        benchmark::DoNotOptimize(word);
    }
}

void c_write_single_digital_output(benchmark::State& state) {
    for (auto _ : state) {
        if (VelmorWriteSingleDigitalOutput(kBoard, 3, 1) != 0) {
            state.SkipWithError("VelmorWriteSingleDigitalOutput failed");
            break;
        }
    }
}

void c_get_device_struct(benchmark::State& state) {
    VelmorDeviceStruct information;
    for (auto _ : state) {
        if (VelmorGetDeviceStructFromDeviceName(kBoard, &information) != 0) {
            state.SkipWithError("VelmorGetDeviceStructFromDeviceName failed");
            break;
        }
        benchmark::DoNotOptimize(&information);
    }
}

// The error path: the board refuses channel 40 before the driver is reached; the
// exception composes its readable text and becomes the last error.
void c_refused_write_channel_40(benchmark::State& state) {
    for (auto _ : state) {
        if (VelmorWriteSingleDigitalOutput(kBoard, 40, 1) != kChannelRangeCode) {
            state.SkipWithError("channel 40 was not refused with 0x82001004");
            break;
        }
    }
}

// ---- The object interface -----------------------------------------------------------------

velmor::corvane::DigitalIOInterface* digitalIo(std::shared_ptr<velmor::corvane::Device>& device) {
    device = velmor::corvane::DeviceDiscovery::getDeviceFromId(kBoard);
    return device->digitalIo();
}

void object_read_all_digital_input(benchmark::State& state) {
    std::shared_ptr<velmor::corvane::Device> device;
    velmor::corvane::DigitalIOInterface* digital = digitalIo(device);
    for (auto _ : state) {
        benchmark::DoNotOptimize(digital->readAllDigitalInput());
    }
}

void object_write_single_digital_output(benchmark::State& state) {
    std::shared_ptr<velmor::corvane::Device> device;
    velmor::corvane::DigitalIOInterface* digital = digitalIo(device);
    for (auto _ : state) {
        digital->writeSingleDigitalOutput(3, true);
    }
}

// The capability asked of the board at every call instead of once.
void object_read_through_device(benchmark::State& state) {
    std::shared_ptr<velmor::corvane::Device> device =
        velmor::corvane::DeviceDiscovery::getDeviceFromId(kBoard);
    for (auto _ : state) {
        benchmark::DoNotOptimize(device->digitalIo()->readAllDigitalInput());
    }
}

}  // namespace

BENCHMARK(floor_read_inputs);
BENCHMARK(floor_write_output);
BENCHMARK(floor_copy_device_struct);
BENCHMARK(c_read_all_digital_inputs);
BENCHMARK(c_write_single_digital_output);
BENCHMARK(c_get_device_struct);
BENCHMARK(c_refused_write_channel_40);
BENCHMARK(object_read_all_digital_input);
BENCHMARK(object_write_single_digital_output);
BENCHMARK(object_read_through_device);

int main(int argc, char** argv) {
    // The registry is built here, not inside the first measurement.
    corvane_bench::useOneBoard();
    return corvane_bench::runBenchmarks(argc, argv);
}
