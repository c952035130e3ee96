#include "ConfigTransfer.h"

#include "Settings.h"
#include "korvel.h"

#include <cerrno>
#include <cstring>

namespace korvelctl {
namespace {

// Each part a file holds, with the calls that carry it, in the order the
// tool writes them.
struct Part {
    const char *name;
    const char *getName;
    const char *setName;
    bool (*get)(TKeyboardConfig &config);
    bool (*set)(const TKeyboardConfig &config);
};

const Part Parts[] = {
    {"config-bits", "RFID_GetConfigBits", "RFID_SetConfigBits",
     [](TKeyboardConfig &c) { return RFID_GetConfigBits(&c.ConfByte) != 0; },
     [](const TKeyboardConfig &c) { return RFID_SetConfigBits(static_cast<uint8_t>(c.ConfByte)) != 0; }},
    {"before", "RFID_GetBeforeHidKeyboardReport", "RFID_SetBeforeHidKeyboardReport",
     [](TKeyboardConfig &c) { return RFID_GetBeforeHidKeyboardReport(&c.Before) != 0; },
     [](const TKeyboardConfig &c) { return RFID_SetBeforeHidKeyboardReport(&c.Before) != 0; }},
    {"after", "RFID_GetAfterHidKeyboardReport", "RFID_SetAfterHidKeyboardReport",
     [](TKeyboardConfig &c) { return RFID_GetAfterHidKeyboardReport(&c.After) != 0; },
     [](const TKeyboardConfig &c) { return RFID_SetAfterHidKeyboardReport(&c.After) != 0; }},
    {"remove", "RFID_GetRemoveHidKeyboardReport", "RFID_SetRemoveHidKeyboardReport",
     [](TKeyboardConfig &c) { return RFID_GetRemoveHidKeyboardReport(&c.Remove) != 0; },
     [](const TKeyboardConfig &c) { return RFID_SetRemoveHidKeyboardReport(&c.Remove) != 0; }},
};

std::string Join(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "nothing" : text;
}

// A value as logfmt writes it: bare when it is one plain word.
std::string Quoted(const std::string &value)
{
    if (!value.empty() && value.find_first_of(" \"=\\") == std::string::npos)
        return value;
    std::string out = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace

std::optional<TKeyboardConfig> ReadReaderConfig(std::string &function)
{
    TKeyboardConfig config;
    for (const Part &part : Parts) {
        if (!part.get(config)) {
            function = part.getName;
            return std::nullopt;
        }
    }
    return config;
}

std::string WriteResult::failure() const
{
    return failedFunction + " failed: " + std::strerror(error) + " (written: " + Join(written) +
           "; not written: " + Join(notWritten) + ")";
}

WriteResult WriteReaderConfig(const TKeyboardConfig &config)
{
    WriteResult result;
    for (const Part &part : Parts) {
        if (!result.ok) {
            result.notWritten.push_back(part.name);
        } else if (part.set(config)) {
            result.written.push_back(part.name);
        } else {
            result.ok = false;
            result.error = errno;
            result.failedFunction = part.setName;
            result.notWritten.push_back(part.name);
        }
    }
    return result;
}

std::string Difference::line() const
{
    // A report whose names read the same (its Reserved byte differs) shows its bytes.
    const bool sameText = file.text == reader.text;
    const auto shown = [sameText](const Field &f) { return sameText && !f.exact.empty() ? f.exact : f.text; };
    return file.name + ": file=" + Quoted(shown(file)) + " reader=" + Quoted(shown(reader));
}

std::vector<Difference> Differences(const TKeyboardConfig &file, const TKeyboardConfig &reader)
{
    std::vector<Difference> differences;
    for (const Setting &setting : Settings()) {
        if (!setting.inConfig)
            continue;
        Field inFile = setting.inConfig(file);
        Field inReader = setting.inConfig(reader);
        if (inFile.json.text != inReader.json.text)
            differences.push_back({std::move(inFile), std::move(inReader)});
    }
    return differences;
}

LoadResult LoadIntoReader(const TKeyboardConfig &config, bool verify)
{
    LoadResult result;
    const WriteResult written = WriteReaderConfig(config);
    if (!written.ok) {
        result.failure = written.failure();
    } else if (verify) {
        std::string function;
        if (const auto back = ReadReaderConfig(function))
            result.differences = Differences(config, *back);
        else
            result.failure = function + " failed: " + std::strerror(errno) +
                             " (reading the configuration back; all of it was written)";
    }
    return result;
}

JsonValue DifferencesJson(const std::vector<Difference> &differences)
{
    std::vector<std::pair<std::string, JsonValue>> members;
    for (const Difference &d : differences)
        members.emplace_back(d.file.name, JsonObject({{"file", d.file.json}, {"reader", d.reader.json}}));
    return JsonObject(members);
}

} // namespace korvelctl
