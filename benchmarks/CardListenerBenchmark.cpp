// Latency of the card listener: from the last key event of a card (its
// stamp on the event node) to the card event handed to the program, and
// from the tap (the reader handing its first keyboard report to the bus,
// which on the kernel's bus then types one report per 16 ms), under
// configurations that end a card in
// different ways: at its Enter, after the quiet gap (nothing marks the
// end), and at Enter with the card-code query that decimal codes take.
// Measured with the virtual reader on its bus (umockdev, or the kernel's in
// `readersim vm`), cards tapped by a second thread while the listener waits
// in next().
#include "CardListener.h"
#include "KeyboardOutput.h"
#include "ReaderFirmware.h"
#include "BusLine.h"
#include "VirtualBus.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Configuration {
    const char *name;
    uint8_t confByte;
};

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char **argv)
{
    readersim::VirtualBus::ensurePreload(argc, argv);
    printBusLine();
    const int cards = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    readersim::ReaderFirmware firmware;
    readersim::VirtualBus bus;
    std::atomic<int64_t> firstKey{0}; // steady clock ticks of the current card's first report
    firmware.setKeyboardSink([&](const std::vector<readersim::BootReport> &reports) {
        int64_t none = 0;
        firstKey.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
        bus.typeOnKeyboardInterface(reports);
    });
    bus.plugReader(firmware);

    std::printf("%-36s %6s %21s %21s\n", "", "", "from the last key", "from the tap");
    std::printf("%-36s %6s %10s %10s %10s %10s\n", "configuration", "cards", "median ms", "p99 ms", "median ms",
                "p99 ms");
    for (const Configuration &c : {Configuration{"hex, Enter (ends at Enter)", 0x0B},
                                   Configuration{"hex, nothing after (quiet gap)", 0x0A},
                                   Configuration{"decimal, Enter (+ card-code query)", 0x2B}}) {
        readersim::ReaderSettings settings;
        settings.confByte = c.confByte;
        firmware.setSettings(settings);
        cardlistener::CardListener listener({true, false, -1});
        cardlistener::CardEvent none;
        listener.next(none, Clock::now()); // attaches: finds the device, reads the configuration
        std::vector<double> latencies, fromTap;
        int unfit = 0;
        std::atomic<bool> seen{true};
        std::thread tapper([&] {
            for (int i = 0; i < cards; ++i) {
                while (!seen)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::this_thread::sleep_for(std::chrono::milliseconds(20)); // cards come one at a time
                seen = false;
                firstKey = 0;
                firmware.tapCard({0x12, 0xAB, static_cast<uint8_t>(i), 0x04});
            }
        });
        while (static_cast<int>(latencies.size()) < cards) {
            cardlistener::CardEvent event;
            const auto status = listener.next(event, Clock::now() + std::chrono::seconds(10));
            if (status != cardlistener::CardListener::Status::Event) {
                std::fprintf(stderr, "listener stopped (status %d): %s\n", static_cast<int>(status),
                             listener.error().c_str());
                tapper.detach();
                return 1;
            }
            const Clock::time_point start{Clock::duration(firstKey.load())};
            unfit += !event.fits;
            const auto now = Clock::now();
            latencies.push_back(ms(now - event.lastKey));
            fromTap.push_back(ms(now - start));
            seen = true;
        }
        tapper.join();
        auto medianAndP99 = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return std::pair(v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)]);
        };
        const auto [median, p99] = medianAndP99(latencies);
        const auto [tapMedian, tapP99] = medianAndP99(fromTap);
        std::printf("%-36s %6d %10.2f %10.2f %10.2f %10.2f%s\n", c.name, cards, median, p99, tapMedian, tapP99,
                    unfit ? "  (some unfit!)" : "");
    }
    firmware.setKeyboardSink({});
    bus.unplugReader();
    return 0;
}
