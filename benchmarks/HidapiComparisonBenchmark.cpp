// libkorvel against a client of hidapi's hidraw backend doing the same
// work, side by side in one process on one bus with the virtual reader
// (umockdev, or the kernel's in `readersim vm`): with its 2 HID interfaces
// alone, then with 64 more devices.
//
// Each configuration call finds interface 0, opens it, reads the identity
// strings and makes its feature transfers, each followed by the mandated
// 10 ms pause; the overhead is the median wall time minus those pauses.
// The two sides run alternately so that both see the same load. hidapi is
// only the measuring peer: nothing of the library uses it.
#include "ReaderFirmware.h"
#include "BusLine.h"
#include "VirtualBus.h"
#include "korvel.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned short VendorId = KORVEL_VENDOR_ID;
constexpr unsigned short ProductId = 1;
constexpr size_t FeatureLength = 9; // report ID and 8 data bytes

// The hidapi client: what an application written against hidapi does for
// the same configuration call.
class HidapiClient {
public:
    HidapiClient() { hid_init(); }
    ~HidapiClient()
    {
        if (raw_)
            hid_close(raw_);
        hid_exit();
    }

    static hid_device *openInterface(int number, bool identity)
    {
        hid_device_info *list = hid_enumerate(VendorId, ProductId);
        std::string path;
        for (hid_device_info *d = list; d; d = d->next)
            if (d->interface_number == number) {
                path = d->path;
                break;
            }
        hid_free_enumeration(list);
        hid_device *device = path.empty() ? nullptr : hid_open_path(path.c_str());
        if (device && identity) {
            wchar_t text[128];
            hid_get_manufacturer_string(device, text, 128);
            hid_get_product_string(device, text, 128);
        }
        return device;
    }

    // The reader's request (command 0 naming an item) and its answer.
    static bool read(hid_device *device, uint8_t item)
    {
        uint8_t report[FeatureLength] = {0, 0, item};
        return write(device, report) && transfer(hid_get_feature_report(device, report, sizeof report));
    }
    static bool write(hid_device *device, const uint8_t (&report)[FeatureLength])
    {
        return transfer(hid_send_feature_report(device, report, sizeof report));
    }

    // A configuration call: connect, the transfers, close.
    static bool call(const std::function<bool(hid_device *)> &transfers)
    {
        hid_device *device = openInterface(0, true);
        if (!device)
            return false;
        const bool ok = transfers(device);
        hid_close(device);
        return ok;
    }

    // The raw channel's connect: interface 1, replacing an open handle.
    bool connectRaw()
    {
        if (raw_)
            hid_close(raw_);
        raw_ = openInterface(1, false);
        return raw_ != nullptr;
    }

private:
    static bool transfer(int result)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return result >= 0;
    }

    hid_device *raw_ = nullptr;
};

struct Comparison {
    const char *name;
    int transfers;
    std::function<bool()> korvel;
    std::function<bool()> hidapi;
    std::function<void()> before = [] {}; // before each call, not timed
    std::function<void()> after = [] {};
    bool plugsAHidDevice = false;
};

std::vector<Comparison> comparisons(HidapiClient &client, readersim::VirtualBus &bus)
{
    static TDeviceData data;
    static int32_t bits;
    const auto openDevice = [] { return RFID_OpenDevice() == 1; };
    const auto hidapiOpen = [] { return HidapiClient::call([](hid_device *) { return true; }); };
    return {
        {"RFID_OpenDevice", 0, openDevice, hidapiOpen},
        // Just after a HID arrival, which the library's list must not outlive.
        {"RFID_OpenDevice, HID arrived", 0, openDevice, hidapiOpen, [&bus] { bus.plugMouse(); },
         [&bus] { bus.unplugMouse(); }, true},
        {"RFID_GetDeviceData", 4, [] { return RFID_GetDeviceData(&data) == 1; },
         [] {
             return HidapiClient::call(
                 [](hid_device *d) { return HidapiClient::read(d, 99) && HidapiClient::read(d, 100); });
         }},
        {"RFID_GetConfigBits", 2, [] { return RFID_GetConfigBits(&bits) == 1; },
         [] { return HidapiClient::call([](hid_device *d) { return HidapiClient::read(d, 4); }); }},
        {"RFID_SetConfigBits", 1, [] { return RFID_SetConfigBits(0x0A) == 1; },
         [] { return HidapiClient::call([](hid_device *d) { return HidapiClient::write(d, {0, 3, 0x0A}); }); }},
        {"RFID_RW_ConnectToUSBReader", 0, [] { return RFID_RW_ConnectToUSBReader() == 0; },
         [&client] { return client.connectRaw(); }},
    };
}

double elapsedMs(const std::function<bool()> &call, const char *side, const char *name)
{
    const auto start = Clock::now();
    if (!call())
        std::fprintf(stderr, "warning: %s failed through %s\n", name, side);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void measure(const std::vector<Comparison> &list, int runs, int interfaces)
{
    std::printf("\n%d HID interfaces, median of %d calls each (ms); overhead = median - 10 ms x transfers\n",
                interfaces, runs);
    std::printf("%-30s %6s %10s %10s %10s %10s %8s\n", "call", "pauses", "korvel", "hidapi", "korvel+", "hidapi+",
                "ratio");
    for (const Comparison &c : list) {
        // The kernel has 64 hidraw nodes at most: with 66 HID interfaces
        // there is none left for one more device.
        if (c.plugsAHidDevice && interfaces > 64 && onKernelBus()) {
            std::printf("%-30s (not measured: no hidraw node left for the mouse)\n", c.name);
            continue;
        }
        std::vector<double> ours, theirs;
        c.before();
        c.korvel(); // the first call of each kind may build what later calls keep
        c.hidapi();
        c.after();
        for (int i = 0; i < runs; ++i) {
            c.before();
            ours.push_back(elapsedMs(c.korvel, "libkorvel", c.name));
            c.after();
            c.before();
            theirs.push_back(elapsedMs(c.hidapi, "hidapi", c.name));
            c.after();
        }
        const double pauses = 10.0 * c.transfers;
        const double a = median(ours), b = median(theirs);
        std::printf("%-30s %6.0f %10.2f %10.2f %10.3f %10.3f %8.2f\n", c.name, pauses, a, b, a - pauses, b - pauses,
                    (a - pauses) / (b - pauses));
    }
}

} // namespace

int main(int argc, char **argv)
{
    readersim::VirtualBus::ensurePreload(argc, argv);
    printBusLine();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    readersim::ReaderFirmware firmware;
    readersim::VirtualBus bus;
    bus.plugReader(firmware);
    HidapiClient client;
    const auto list = comparisons(client, bus);

    std::printf("libkorvel against a hidapi (hidraw) client; ratio = korvel overhead / hidapi overhead\n");
    measure(list, runs, 2);
    bus.addOtherHidDevices(64);
    waitForPlugsToSettle();
    measure(list, runs, 66);
    RFID_RW_DisconnectFromUSBReader();
    return 0;
}
