#include "ControlCommands.h"

#include "Options.h"
#include "ReaderFirmware.h"
#include "VirtualBus.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

namespace readersim {
namespace {

std::vector<std::string> words(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

std::string hex(const std::vector<uint8_t> &bytes)
{
    std::string out;
    char digits[3];
    for (uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        out += digits;
    }
    return out;
}

std::string hex4(uint16_t value)
{
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04x", value);
    return digits;
}

std::string status(VirtualBus &bus, ReaderFirmware &firmware)
{
    const ReaderIdentity identity = firmware.identity();
    const std::vector<uint8_t> card = firmware.cardCode();
    const bool noCard = std::all_of(card.begin(), card.end(), [](uint8_t b) { return b == 0; });
    std::string out = "ok\n";
    out += std::string("reader: ") + (bus.readerPlugged() ? "plugged" : "unplugged") + "\n";
    out += std::string("mouse: ") + (bus.mousePlugged() ? "plugged" : "unplugged") + "\n";
    out += "vendor: " + hex4(identity.vendorId) + "\n";
    out += "product-id: " + hex4(identity.productId) + "\n";
    out += "manufacturer: " + identity.manufacturer + "\n";
    out += "product: " + identity.product + "\n";
    out += "card: " + (noCard ? std::string("none") : hex(card)) + "\n";
    out += "keyboard-input: " + bus.keyboardNode() + (bus.keyboardGrabbed() ? " grabbed" : " free") + "\n";
    out += firmware.settings().toText();
    return out;
}

// A new reader when the options name its factory number or date, with the
// faults they ask for.
void plugOptions(ReaderFirmware &firmware, const PlugOptions &options)
{
    if (options.newReader()) {
        ReaderSettings fresh;
        if (options.factoryId)
            fresh.factoryId = *options.factoryId;
        if (const auto &date = options.productionDate) {
            fresh.productionYear = (*date)[0];
            fresh.productionMonth = (*date)[1];
            fresh.productionDay = (*date)[2];
        }
        firmware.becomeNewReader(fresh);
    }
    if (options.failNext)
        firmware.failNextTransfers(options.failNext);
    if (options.failWrites || options.loseWrites)
        firmware.failStores(options.failWrites ? StoreFault::Refuse : StoreFault::Lose);
}

std::string events(const ReaderFirmware &firmware)
{
    std::string out = "ok\n";
    for (const std::string &event : firmware.events())
        out += event + "\n";
    return out;
}

} // namespace

std::vector<uint8_t> parseCardCode(const std::string &text)
{
    std::vector<uint8_t> code = parseHex("tap", text);
    if (code.size() > MaxCodeBytes)
        throw UsageError("tap: the reader holds at most " + std::to_string(MaxCodeBytes) + " code bytes (" +
                         std::to_string(2 * MaxCodeBytes) + " hex digits), got " + std::to_string(code.size()));
    return code;
}

std::string runControlCommand(const std::string &line, VirtualBus &bus, ReaderFirmware &firmware,
                              const std::string &testbedEnvironment)
{
    const std::vector<std::string> args = words(line);
    if (args.empty())
        return "error: empty command";
    const std::string &name = args[0];
    const size_t expected = name == "tap" ? 2 : 1;
    if (args.size() != expected && name != "plug")
        return "error: " + name + (expected == 2 ? " takes one argument" : " takes no arguments");
    try {
        if (name == "plug") {
            const PlugOptions options = parsePlugOptions({args.begin() + 1, args.end()});
            if (options.any() && bus.readerPlugged())
                return "error: the reader is plugged in (unplug it first)";
            plugOptions(firmware, options);
            bus.plugReader(firmware);
            return "ok reader plugged";
        }
        if (name == "unplug") {
            bus.unplugReader();
            return "ok reader unplugged";
        }
        if (name == "plug-mouse") {
            bus.plugMouse();
            return "ok mouse plugged";
        }
        if (name == "unplug-mouse") {
            bus.unplugMouse();
            return "ok mouse unplugged";
        }
        // An unplugged reader has no power: no card reaches it.
        const char *const unplugged = "error: the reader is unplugged (plug it in first)";
        if (name == "tap") {
            const std::vector<uint8_t> code = parseCardCode(args[1]);
            if (!bus.readerPlugged())
                return unplugged;
            firmware.tapCard(code);
            return "ok card " + hex(firmware.cardCode());
        }
        if (name == "remove") {
            if (!bus.readerPlugged())
                return unplugged;
            firmware.removeCard();
            return "ok card removed";
        }
        if (name == "status")
            return status(bus, firmware);
        if (name == "events")
            return events(firmware);
        if (name == "env" && !testbedEnvironment.empty())
            return "ok\n" + testbedEnvironment;
    } catch (const std::exception &e) {
        return std::string("error: ") + e.what();
    }
    return "error: unknown command \"" + name + "\"";
}

} // namespace readersim
