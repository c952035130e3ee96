// The first line of every benchmark: which bus the figures come from (the
// umockdev stand-in, or the kernel's own USB stack in the guest of
// `readersim vm`) and on what processor, which names QEMU's emulation
// ("QEMU TCG CPU") when there is no KVM: such figures are for comparison
// within one run, not for speed.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

inline bool onKernelBus()
{
    const char *bus = std::getenv("READERSIM_BUS");
    return bus && std::string(bus) == "kernel";
}

inline void printBusLine()
{
    std::string cpu = "unknown processor";
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);)
        if (line.rfind("model name", 0) == 0) {
            cpu = line.substr(line.find(':') + 2);
            break;
        }
    std::printf("bus: %s; processor: %s\n",
                onKernelBus() ? "the kernel's USB stack (USB gadget on dummy_hcd)" : "umockdev",
                cpu.c_str());
}

// After plugging devices: the library answers every arrival (it may open
// the raw channel), and on the kernel's bus udev handles each new device for
// a while (minutes for dozens of them under emulation). Waits for both, so
// that the figures are those of a settled machine.
inline void waitForPlugsToSettle()
{
    if (onKernelBus() && std::system("udevadm settle --timeout=300") != 0)
        std::printf("(udev had not settled after 300 s)\n");
    std::this_thread::sleep_for(std::chrono::seconds(3));
}
