// Wall time of each configuration function against its floor: every
// feature-report transfer is followed by a 10 ms pause, so a call of N
// transfers cannot take less than N x 10 ms. Measured with the virtual
// reader on its bus (umockdev, or the kernel's in `readersim vm`), once
// with 2 HID interfaces present (the reader's) and once with 64 (62 more
// devices), since every call enumerates the HID interfaces again.
#include "ReaderFirmware.h"
#include "BusLine.h"
#include "VirtualBus.h"
#include "korvel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

struct Export {
    const char *name;
    int transfers;
    std::function<int32_t()> call;
};

std::vector<Export> exportsToMeasure()
{
    static TDeviceData data;
    static TKeybHIDReport report{1, 0, 4, 5, 6, 7, 8, 9};
    static int32_t value;
    static uint8_t byte;
    static uint8_t code[RFID_CARD_CODE_SIZE];
    static char text[RFID_TEXT_SIZE];
    return {
        {"RFID_OpenDevice", 0, [] { return RFID_OpenDevice(); }},
        {"RFID_GetDeviceData", 4, [] { return RFID_GetDeviceData(&data); }},
        {"RFID_GetCardCode (10 bytes)", 6, [] { return RFID_GetCardCode(&value, code); }},
        {"RFID_PlaySound", 1, [] { return RFID_PlaySound(0); }},
        {"RFID_GetConfigBits", 2, [] { return RFID_GetConfigBits(&value); }},
        {"RFID_SetConfigBits", 1, [] { return RFID_SetConfigBits(0x0A); }},
        {"RFID_GetDeviceMode", 2, [] { return RFID_GetDeviceMode(&value); }},
        {"RFID_SetDeviceMode", 1, [] { return RFID_SetDeviceMode(0); }},
        {"RFID_GetEnable", 2, [] { return RFID_GetEnable(&byte); }},
        {"RFID_SetEnable", 1, [] { return RFID_SetEnable(1); }},
        {"RFID_GetBeforeHidKeyboardReport", 2, [] { return RFID_GetBeforeHidKeyboardReport(&report); }},
        {"RFID_SetBeforeHidKeyboardReport", 2, [] { return RFID_SetBeforeHidKeyboardReport(&report); }},
        {"RFID_GetAfterHidKeyboardReport", 2, [] { return RFID_GetAfterHidKeyboardReport(&report); }},
        {"RFID_SetAfterHidKeyboardReport", 2, [] { return RFID_SetAfterHidKeyboardReport(&report); }},
        {"RFID_GetRemoveHidKeyboardReport", 2, [] { return RFID_GetRemoveHidKeyboardReport(&report); }},
        {"RFID_SetRemoveHidKeyboardReport", 2, [] { return RFID_SetRemoveHidKeyboardReport(&report); }},
        {"RFID_GetPrefix", 2, [] { return RFID_GetPrefix(text); }},
        {"RFID_SetPrefix", 1, [] { return RFID_SetPrefix("ab", 2); }},
        {"RFID_GetSufix", 2, [] { return RFID_GetSufix(text); }},
        {"RFID_SetSufix", 1, [] { return RFID_SetSufix("cd", 2); }},
    };
}

// Median wall time of `runs` calls, in milliseconds.
double medianMs(const Export &e, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!e.call())
            std::fprintf(stderr, "warning: %s failed\n", e.name);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    readersim::VirtualBus::ensurePreload(argc, argv);
    printBusLine();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    readersim::ReaderFirmware firmware;
    firmware.tapCard({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    readersim::VirtualBus bus;
    bus.plugReader(firmware);

    const auto exports = exportsToMeasure();
    std::vector<double> with2, with64;
    for (const Export &e : exports)
        with2.push_back(medianMs(e, runs));
    bus.addOtherHidDevices(62);
    waitForPlugsToSettle();
    for (const Export &e : exports)
        with64.push_back(medianMs(e, runs));

    std::printf("Median of %d calls; floor = transfers x 10 ms; ratio = time / floor\n\n", runs);
    std::printf("%-34s %9s %8s %11s %7s %11s %7s\n", "function", "transfers", "floor ms", "2 HID ms",
                "ratio", "64 HID ms", "ratio");
    for (size_t i = 0; i < exports.size(); ++i) {
        const Export &e = exports[i];
        const double floor = 10.0 * e.transfers;
        if (e.transfers == 0)
            std::printf("%-34s %9d %8.0f %11.2f %7s %11.2f %7s\n", e.name, 0, 0.0, with2[i], "-", with64[i], "-");
        else
            std::printf("%-34s %9d %8.0f %11.2f %7.3f %11.2f %7.3f\n", e.name, e.transfers, floor, with2[i],
                        with2[i] / floor, with64[i], with64[i] / floor);
    }
    return 0;
}
