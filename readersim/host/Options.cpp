#include "Options.h"

#include <charconv>
#include <functional>
#include <map>

namespace readersim {

const char *const RunUsage =
    "usage: readersim run [options] -- COMMAND [ARGS...]\n"
    "Runs COMMAND with a virtual RFID reader on a virtual USB bus (umockdev).\n"
    "\n"
    "  --product TEXT            product string (default \"USB RFID Reader Ver: 1.7\")\n"
    "  --manufacturer TEXT       manufacturer string\n"
    "  --firmware VERSION        product becomes \"USB RFID Reader Ver: VERSION\"\n"
    "  --factory-id N            factory number\n"
    "  --production-date Y/M/D   production date bytes as stored (year - 2000), e.g. 24/13/1\n"
    "  --card HEX                card in the field, e.g. 12AB00\n"
    "  --state FILE              load the settings from FILE, rewrite it on every change\n"
    "  --fail-next N             the next N feature transfers fail\n"
    "  --long-feature-report LEN declare feature reports of LEN bytes (report ID included)\n"
    "  --code-length N           the card code length item answers N\n"
    "  --no-reader               no reader on the bus\n"
    "  --no-input-node           the reader without its keyboard input device (hidraw only)\n"
    "  --mouse                   a USB mouse on the bus too\n"
    "  --help                    this text\n"
    "\n"
    "While COMMAND runs, \"readersim ctl\" drives the bus (see \"readersim ctl --help\")\n"
    "and \"readersim exec -- OTHER\" runs OTHER on it from any terminal; COMMAND finds\n"
    "the run through READERSIM_CONTROL, the path of the control socket.\n";

namespace {

unsigned long parseNumber(const std::string &option, const std::string &text, unsigned long max)
{
    unsigned long value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value > max)
        throw UsageError(option + ": expected a number from 0 to " + std::to_string(max) + ", got \"" + text + "\"");
    return value;
}

std::array<uint8_t, 3> parseDate(const std::string &option, const std::string &text)
{
    std::array<uint8_t, 3> date{};
    size_t start = 0;
    for (size_t i = 0; i < date.size(); ++i) {
        const size_t slash = i + 1 < date.size() ? text.find('/', start) : text.size();
        if (slash == std::string::npos)
            throw UsageError(option + ": expected YY/MM/DD, got \"" + text + "\"");
        date[i] = static_cast<uint8_t>(parseNumber(option, text.substr(start, slash - start), 255));
        start = slash + 1;
    }
    return date;
}

} // namespace

std::vector<uint8_t> parseHex(const std::string &option, const std::string &text)
{
    if (text.empty() || text.size() % 2 != 0 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw UsageError(option + ": expected an even number of hex digits, got \"" + text + "\"");
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

RunOptions parseRunOptions(const std::vector<std::string> &args)
{
    RunOptions options;
    std::optional<std::string> firmwareVersion;
    using Setter = std::function<void(const std::string &option, const std::string &value)>;
    const std::map<std::string, Setter> valued = {
        {"--product", [&](auto &, auto &v) { options.product = v; }},
        {"--manufacturer", [&](auto &, auto &v) { options.manufacturer = v; }},
        {"--firmware", [&](auto &, auto &v) { firmwareVersion = v; }},
        {"--factory-id", [&](auto &o, auto &v) { options.factoryId = parseNumber(o, v, UINT32_MAX); }},
        {"--production-date", [&](auto &o, auto &v) { options.productionDate = parseDate(o, v); }},
        {"--card", [&](auto &o, auto &v) { options.card = parseHex(o, v); }},
        {"--state", [&](auto &, auto &v) { options.stateFile = v; }},
        {"--fail-next", [&](auto &o, auto &v) { options.failNext = static_cast<int>(parseNumber(o, v, INT32_MAX)); }},
        {"--long-feature-report",
         [&](auto &o, auto &v) {
             options.featureLength = parseNumber(o, v, 16383);
             if (*options.featureLength < 9)
                 throw UsageError(o + ": the length is at least 9 (report ID and eight data bytes)");
         }},
        {"--code-length", [&](auto &o, auto &v) { options.codeLength = static_cast<uint8_t>(parseNumber(o, v, 255)); }},
    };
    const std::map<std::string, std::function<void()>> flags = {
        {"--no-reader", [&] { options.reader = false; }},
        {"--no-input-node", [&] { options.inputNode = false; }},
        {"--mouse", [&] { options.mouse = true; }},
        {"--help", [&] { options.help = true; }},
        {"-h", [&] { options.help = true; }},
    };

    size_t i = 0;
    for (; i < args.size() && args[i] != "--"; ++i) {
        const size_t equals = args[i].find('=');
        const std::string option = args[i].substr(0, equals);
        if (const auto flag = flags.find(option); flag != flags.end() && equals == std::string::npos) {
            flag->second();
        } else if (const auto setter = valued.find(option); setter != valued.end()) {
            if (equals == std::string::npos && i + 1 >= args.size())
                throw UsageError(option + " needs a value");
            setter->second(option, equals == std::string::npos ? args[++i] : args[i].substr(equals + 1));
        } else {
            throw UsageError("unknown option \"" + args[i] + "\" (COMMAND goes after \"--\")");
        }
    }
    if (options.help)
        return options;
    if (i + 1 >= args.size())
        throw UsageError("no COMMAND given after \"--\"");
    options.command.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
    if (firmwareVersion) {
        if (options.product)
            throw UsageError("--product and --firmware both set the product string");
        options.product = "USB RFID Reader Ver: " + *firmwareVersion;
    }
    return options;
}

} // namespace readersim

namespace readersim {

PlugOptions parsePlugOptions(const std::vector<std::string> &args)
{
    PlugOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const size_t equals = args[i].find('=');
        const std::string option = args[i].substr(0, equals);
        const bool valued = option == "--factory" || option == "--date" || option == "--fail-next";
        if (!valued && equals == std::string::npos && option == "--fail-writes") {
            options.failWrites = true;
        } else if (!valued && equals == std::string::npos && option == "--lose-writes") {
            options.loseWrites = true;
        } else if (valued) {
            if (equals == std::string::npos && i + 1 >= args.size())
                throw UsageError(option + " needs a value");
            const std::string value = equals == std::string::npos ? args[++i] : args[i].substr(equals + 1);
            if (option == "--factory")
                options.factoryId = static_cast<uint32_t>(parseNumber(option, value, UINT32_MAX));
            else if (option == "--date")
                options.productionDate = parseDate(option, value);
            else
                options.failNext = static_cast<int>(parseNumber(option, value, INT32_MAX));
        } else {
            throw UsageError("plug: unknown option \"" + args[i] + "\"");
        }
    }
    if (options.failWrites && options.loseWrites)
        throw UsageError("plug: --fail-writes and --lose-writes exclude each other");
    return options;
}

} // namespace readersim
