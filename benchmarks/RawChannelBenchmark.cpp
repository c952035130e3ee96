// Figures for the raw channel with the virtual reader on a umockdev bus:
// reports per second and delivery latency (median, p99) through the
// callback and through polling, and the CPU time an idle receive thread
// uses per second.
#include "ReaderFirmware.h"
#include "VirtualBus.h"
#include "korvel.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::atomic<long> deliveries{0};

void KORVEL_CALL onReport(const char *, uint32_t)
{
    deliveries.fetch_add(1, std::memory_order_release);
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Percentiles {
    double median, p99;
};

Percentiles percentiles(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)]};
}

template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit = 5000ms)
{
    const auto end = Clock::now() + limit;
    while (!condition())
        if (Clock::now() > end)
            return false;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    readersim::VirtualBus::ensurePreload(argc, argv);
    const int reports = argc > 1 ? std::max(100, std::atoi(argv[1])) : 2000;
    readersim::ReaderFirmware firmware;
    readersim::VirtualBus bus;
    bus.plugReader(firmware);
    RFID_SetDeviceMode(1);

    // Callback path.
    RFID_RW_AssignGetEvent(onReport);
    RFID_RW_ConnectToUSBReader();
    std::this_thread::sleep_for(50ms);
    // The bus's pseudo-terminal holds about 64 reports: stream in batches
    // that fit, each once the last has been taken.
    constexpr int Batch = 48;
    auto start = Clock::now();
    deliveries = 0;
    for (int sent = 0; sent < reports; sent += Batch) {
        firmware.streamInputReports(Batch, 63);
        if (!waitFor([&] { return deliveries.load() >= sent + Batch; }))
            break;
    }
    const double callbackRate = deliveries.load() / std::chrono::duration<double>(Clock::now() - start).count();

    std::vector<double> callbackLatency;
    for (int i = 0; i < 200; ++i) {
        const long before = deliveries.load();
        start = Clock::now();
        firmware.sendInputReport({1, 2, 3});
        if (!waitFor([&] { return deliveries.load() > before; }))
            break;
        callbackLatency.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }

    // An idle receive thread: channel open, no traffic; then channel closed.
    double before = cpuSeconds();
    std::this_thread::sleep_for(1s);
    const double idleOpen = cpuSeconds() - before;
    RFID_RW_DisconnectFromUSBReader();
    before = cpuSeconds();
    std::this_thread::sleep_for(1s);
    const double idleClosed = cpuSeconds() - before;
    RFID_RW_AssignGetEvent(nullptr);
    std::this_thread::sleep_for(200ms);
    before = cpuSeconds();
    std::this_thread::sleep_for(1s);
    const double noThread = cpuSeconds() - before;

    // Polling path.
    RFID_RW_ConnectToUSBReader();
    char data[63];
    uint32_t size = 0;
    int polled = 0;
    start = Clock::now();
    for (int sent = 0; sent < reports && Clock::now() - start < 30s; sent += Batch) {
        firmware.streamInputReports(Batch, 63);
        while (polled < sent + Batch && Clock::now() - start < 30s)
            if (RFID_RW_GetRawData(data, &size) == 0 && size > 0)
                ++polled;
    }
    const double pollRate = polled / std::chrono::duration<double>(Clock::now() - start).count();

    std::vector<double> pollLatency;
    for (int i = 0; i < 200; ++i) {
        start = Clock::now();
        firmware.sendInputReport({1, 2, 3});
        size = 0;
        while (size == 0 && Clock::now() - start < 5s)
            RFID_RW_GetRawData(data, &size);
        pollLatency.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }

    const Percentiles cb = percentiles(callbackLatency.empty() ? std::vector<double>{0} : callbackLatency);
    const Percentiles pl = percentiles(pollLatency);
    std::printf("raw channel, virtual reader, %d reports of 63 bytes\n", reports);
    std::printf("  callback: %9.0f reports/s   latency median %7.1f us  p99 %7.1f us\n", callbackRate, cb.median, cb.p99);
    std::printf("  polling:  %9.0f reports/s   latency median %7.1f us  p99 %7.1f us\n", pollRate, pl.median, pl.p99);
    std::printf("  CPU per second: idle receive thread, channel open %.1f ms; channel closed %.1f ms; no thread %.1f ms\n",
                idleOpen * 1e3, idleClosed * 1e3, noThread * 1e3);
    return 0;
}
