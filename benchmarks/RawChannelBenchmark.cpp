// Figures for the raw channel with the virtual reader on its bus (umockdev,
// or the kernel's in `readersim vm`):
// reports per second and delivery latency (median, p99, max) through the
// callback and through polling, how soon a report sent right after a
// connect is delivered to a waiting callback, and the CPU time the process
// uses while the library idles in each of its states.
//
// The measuring thread never spins while it waits for a delivery (on a
// machine with two cores a spinning waiter takes the core the library's
// threads need): it sleeps on a condition variable that the callback wakes,
// and the callback stamps the time of each delivery itself.
#include "ReaderFirmware.h"
#include "BusLine.h"
#include "VirtualBus.h"
#include "korvel.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Deliveries {
    std::mutex lock;
    std::condition_variable arrived;
    long count = 0;
    Clock::time_point last;

    // Waits until more than `seen` reports were delivered; false after 5 s.
    bool waitBeyond(long seen)
    {
        std::unique_lock guard(lock);
        return arrived.wait_for(guard, 5s, [&] { return count > seen; });
    }
    long delivered()
    {
        std::lock_guard guard(lock);
        return count;
    }
    Clock::time_point lastTime()
    {
        std::lock_guard guard(lock);
        return last;
    }
};
Deliveries deliveries;

void KORVEL_CALL onReport(const char *, uint32_t)
{
    const auto now = Clock::now();
    {
        std::lock_guard guard(deliveries.lock);
        ++deliveries.count;
        deliveries.last = now;
    }
    deliveries.arrived.notify_all();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Per cent of one core the whole process used over `span`.
double idleCpuPercent(std::chrono::seconds span)
{
    const double before = cpuSeconds();
    std::this_thread::sleep_for(span);
    return (cpuSeconds() - before) / std::chrono::duration<double>(span).count() * 100;
}

struct Percentiles {
    double median, p99, max;
};

Percentiles percentiles(std::vector<double> v)
{
    if (v.empty())
        return {0, 0, 0};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)], v.back()};
}

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

} // namespace

int main(int argc, char **argv)
{
    readersim::VirtualBus::ensurePreload(argc, argv);
    printBusLine();
    const int reports = argc > 1 ? std::max(100, std::atoi(argv[1])) : 2000;
    const int samples = argc > 2 ? std::max(100, std::atoi(argv[2])) : 1000;
    const auto idleSpan = std::chrono::seconds(argc > 3 ? std::max(1, std::atoi(argv[3])) : 5);
    readersim::ReaderFirmware firmware;
    readersim::VirtualBus bus;
    bus.plugReader(firmware);
    RFID_SetDeviceMode(1);
    std::this_thread::sleep_for(200ms); // let the plug's arrivals settle
    const double idleLoaded = idleCpuPercent(idleSpan);

    // Callback path.
    RFID_RW_AssignGetEvent(onReport);
    RFID_RW_ConnectToUSBReader();
    std::this_thread::sleep_for(50ms);
    // The bus's pseudo-terminal holds about 64 reports: stream in batches
    // that fit, each once the last has been taken.
    constexpr int Batch = 48;
    const long first = deliveries.delivered();
    auto start = Clock::now();
    for (int sent = 0; sent < reports; sent += Batch) {
        firmware.streamInputReports(Batch, 63);
        if (!deliveries.waitBeyond(first + sent + Batch - 1))
            break;
    }
    const double callbackRate =
        (deliveries.delivered() - first) / std::chrono::duration<double>(Clock::now() - start).count();

    // One report at a time, at random moments, as a card reader sends them.
    std::vector<double> callbackLatency;
    for (int i = 0; i < samples; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(200 + std::rand() % 1800));
        const long before = deliveries.delivered();
        start = Clock::now();
        firmware.sendInputReport({1, 2, 3});
        if (!deliveries.waitBeyond(before))
            break;
        callbackLatency.push_back(microseconds(deliveries.lastTime() - start));
    }

    // A report sent right after a connect, and one sent 1 ms after it,
    // reach a callback that waited with the channel closed: once the thread
    // reads within that millisecond, the second is delivered as fast as a
    // report to a thread that was reading all along.
    std::vector<double> reaction[2];
    for (int i = 0; i < 40; ++i) {
        RFID_RW_DisconnectFromUSBReader();
        std::this_thread::sleep_for(150ms); // the thread is idle again
        const long before = deliveries.delivered();
        if (RFID_RW_ConnectToUSBReader() != 0)
            break;
        if (i % 2)
            std::this_thread::sleep_for(1ms);
        start = Clock::now();
        firmware.sendInputReport({4, 5});
        if (!deliveries.waitBeyond(before))
            break;
        reaction[i % 2].push_back(microseconds(deliveries.lastTime() - start));
    }

    // The library idle in its states: channel open and quiet; callback
    // assigned with the channel closed; then no callback (thread ended).
    const double idleOpen = idleCpuPercent(idleSpan);
    RFID_RW_DisconnectFromUSBReader();
    const double idleClosed = idleCpuPercent(idleSpan);
    RFID_RW_AssignGetEvent(nullptr);
    std::this_thread::sleep_for(200ms);
    const double idleNoCallback = idleCpuPercent(idleSpan);

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
    for (int i = 0; i < samples / 5; ++i) {
        start = Clock::now();
        firmware.sendInputReport({1, 2, 3});
        size = 0;
        while (size == 0 && Clock::now() - start < 5s)
            RFID_RW_GetRawData(data, &size);
        pollLatency.push_back(microseconds(Clock::now() - start));
    }
    RFID_RW_DisconnectFromUSBReader();

    const Percentiles cb = percentiles(callbackLatency);
    const Percentiles pl = percentiles(pollLatency);
    const Percentiles now = percentiles(reaction[0]), later = percentiles(reaction[1]);
    std::printf("raw channel, virtual reader: %d streamed reports of 63 bytes; latency of single reports\n", reports);
    std::printf("  callback: %7.0f reports/s  latency (%zu) median %7.1f us  p99 %7.1f us  max %8.1f us\n",
                callbackRate, callbackLatency.size(), cb.median, cb.p99, cb.max);
    std::printf("  polling:  %7.0f reports/s  latency (%zu) median %7.1f us  p99 %7.1f us  max %8.1f us\n", pollRate,
                pollLatency.size(), pl.median, pl.p99, pl.max);
    std::printf("  send to a callback that waited with the channel closed (%zu each): at once after the connect: "
                "median %7.1f us  max %8.1f us; 1 ms after it: median %7.1f us  max %8.1f us\n",
                reaction[1].size(), now.median, now.max, later.median, later.max);
    std::printf("  process CPU while idle, %% of a core over %lld s: loaded %.3f; callback, channel closed %.3f; "
                "channel open and quiet %.3f; callback cleared %.3f\n",
                static_cast<long long>(idleSpan.count()), idleLoaded, idleClosed, idleOpen, idleNoCallback);
    return 0;
}
