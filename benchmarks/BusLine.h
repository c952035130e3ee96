// The first line of every benchmark: which bus the figures come from (the
// umockdev stand-in, or the kernel's own USB stack in the guest of
// `readersim vm`) and on what processor, which names QEMU's emulation
// ("QEMU TCG CPU") when there is no KVM: such figures are for comparison
// within one run, not for speed.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

inline void printBusLine()
{
    const char *bus = std::getenv("READERSIM_BUS");
    std::string cpu = "unknown processor";
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);)
        if (line.rfind("model name", 0) == 0) {
            cpu = line.substr(line.find(':') + 2);
            break;
        }
    std::printf("bus: %s; processor: %s\n",
                bus && std::string(bus) == "kernel" ? "the kernel's USB stack (USB gadget on dummy_hcd)" : "umockdev",
                cpu.c_str());
}
