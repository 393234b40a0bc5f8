// Device look-up by (class, minor): the path that finds threads and devices by number.
#include <benchmark/benchmark.h>

#include <vector>

#include "runtime/device_manager.h"

static void BM_DeviceMgr_GetDevice(benchmark::State &state)
{
    const int count = (int)state.range(0);
    DeviceMgr *mgr = DeviceMgr__New("bench");
    int processors = DeviceMgr__GetDeviceMajorNum(mgr, "Processor");
    int threads = DeviceMgr__GetDeviceMajorNum(mgr, "Thread");
    std::vector<int> objects(count);
    for (int i = 0; i < count; i++) {
        DeviceMgr__AddDevice(mgr, &objects[i], threads, i, nullptr);
        if (i % 8 == 0) DeviceMgr__AddDevice(mgr, &objects[i], processors, i / 8, nullptr);
    }
    int minor = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DeviceMgr__GetDevice(mgr, threads, minor));
        if (++minor == count) minor = 0;
    }
    DeviceMgr__Quit(mgr);
}
BENCHMARK(BM_DeviceMgr_GetDevice)->Arg(8)->Arg(64)->Arg(2048);
