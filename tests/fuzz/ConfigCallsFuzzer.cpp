// The twenty configuration calls against a reader whose every answer comes
// from the input: the interfaces present, the declared feature-report
// length, the identity strings, each feature report read back and whether
// each transfer succeeds. The input also picks the calls and their
// arguments. What must hold: results are 0 or 1, outputs stay inside the
// caller's buffers (each exactly as large as the interface says) and are
// in their documented ranges, and a call that opened no reader writes no
// output.
#include "ConfigExports.h"
#include "FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using namespace korvel;

namespace {

const std::string ReaderPath = "\\\\?\\hid#vid_1209&pid_0001&mi_00#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

class FuzzDevice final : public os::HidDevice {
public:
    explicit FuzzDevice(FuzzedDataProvider &input) : input_(input) {}

    bool getCaps(os::HidCaps &caps) override
    {
        if (input_.ConsumeBool())
            return false;
        caps = {};
        // Mostly the usual 9 bytes, sometimes anything.
        caps.FeatureReportByteLength =
            input_.ConsumeBool() ? input_.ConsumeIntegral<uint16_t>() : input_.ConsumeIntegralInRange<uint16_t>(0, 80);
        return true;
    }
    bool getManufacturerString(std::string &text) override { return text_(text); }
    bool getProductString(std::string &text) override { return text_(text); }
    bool getFeature(uint8_t *report, size_t length) override
    {
        if (input_.ConsumeBool())
            return false;
        const std::vector<uint8_t> answer = input_.ConsumeBytes<uint8_t>(length);
        std::fill_n(report, length, 0);
        std::copy(answer.begin(), answer.end(), report);
        return true;
    }
    bool setFeature(const uint8_t *report, size_t length) override
    {
        // Every byte of the report the library sends is read.
        volatile uint8_t sum = 0;
        for (size_t i = 0; i < length; ++i)
            sum = static_cast<uint8_t>(sum + report[i]);
        return !input_.ConsumeBool();
    }

private:
    bool text_(std::string &text)
    {
        if (input_.ConsumeBool())
            return false;
        text = input_.ConsumeRandomLengthString(64);
        return true;
    }
    FuzzedDataProvider &input_;
};

class FuzzPlatform final : public os::HidPlatform {
public:
    explicit FuzzPlatform(FuzzedDataProvider &input) : input_(input) {}

    bool listInterfaces(std::vector<std::string> &paths) override
    {
        if (input_.ConsumeBool())
            return false;
        paths.clear();
        const int count = input_.ConsumeIntegralInRange(0, 3);
        for (int i = 0; i < count; ++i)
            paths.push_back(input_.ConsumeBool() ? ReaderPath : input_.ConsumeRandomLengthString(120));
        return true;
    }
    std::unique_ptr<os::HidDevice> open(const std::string &, os::Access) override
    {
        if (input_.ConsumeBool())
            return nullptr;
        ++opens;
        return std::make_unique<FuzzDevice>(input_);
    }
    bool deviceInstanceId(const std::string &, std::string &) override { return false; }
    std::shared_ptr<os::RawDevice> openRaw(const std::string &) override { return nullptr; }
    std::unique_ptr<os::MessageWindow> createMessageWindow(std::function<void(const os::WindowMessage &)>) override
    {
        return nullptr;
    }
    void sleepMs(unsigned) override {}
    void debugOutput(const std::string &) override {}
    std::string lastErrorText() override { return "fuzzed failure"; }
    void setLastError(os::Failure) override {}

    int opens = 0; // devices opened

private:
    FuzzedDataProvider &input_;
};

// Bytes a call may not touch unless it reached a reader.
constexpr uint8_t Untouched = 0xEE;

template <typename T>
std::unique_ptr<T> untouchedOutput()
{
    auto output = std::make_unique<T>();
    std::memset(static_cast<void *>(output.get()), Untouched, sizeof(T));
    return output;
}

template <typename T>
bool isUntouched(const T &output, size_t size = sizeof(T))
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(&output);
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == Untouched; });
}

// What a call returned and whether its outputs are still untouched.
struct Outcome {
    int32_t result;
    bool untouched;
};

// A text the caller passes: `count` bytes, none beyond.
Outcome setText(FuzzedDataProvider &input, int32_t (ConfigExports::*set)(const char *, int32_t),
                ConfigExports &exports)
{
    const std::vector<char> text = input.ConsumeBytes<char>(input.ConsumeIntegralInRange(0, 16));
    const auto buffer = std::make_unique<char[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), buffer.get());
    const int32_t count = input.ConsumeBool() ? static_cast<int32_t>(text.size()) : -input.ConsumeIntegral<uint8_t>();
    return {(exports.*set)(buffer.get(), count), true};
}

// A text the library returns: 9 bytes, terminated within them.
Outcome getText(int32_t (ConfigExports::*get)(char *), ConfigExports &exports)
{
    const auto buffer = std::make_unique<char[]>(9);
    std::memset(buffer.get(), Untouched, 9);
    const int32_t result = (exports.*get)(buffer.get());
    if (result == 1)
        FUZZ_CHECK(std::memchr(buffer.get(), 0, 9) != nullptr);
    return {result, isUntouched(*buffer.get(), 9)};
}

Outcome getReport(int32_t (ConfigExports::*get)(::TKeybHIDReport *), ConfigExports &exports)
{
    const auto report = untouchedOutput<::TKeybHIDReport>();
    const int32_t result = (exports.*get)(report.get());
    return {result, isUntouched(*report)};
}

Outcome setReport(FuzzedDataProvider &input, int32_t (ConfigExports::*set)(const ::TKeybHIDReport *),
                  ConfigExports &exports)
{
    const auto report = std::make_unique<::TKeybHIDReport>();
    input.ConsumeData(report.get(), sizeof *report);
    return {(exports.*set)(report.get()), true};
}

Outcome call(FuzzedDataProvider &input, ConfigExports &exports)
{
    switch (input.ConsumeIntegralInRange(0, 19)) {
    case 0:
        return {exports.OpenDevice(), true};
    case 1: {
        const auto data = untouchedOutput<::TDeviceData>();
        const int32_t result = exports.GetDeviceData(data.get());
        if (result == 1) {
            FUZZ_CHECK(data->ManufacturerStr && data->ProductStr);
            (void)std::strlen(data->ManufacturerStr);
            (void)std::strlen(data->ProductStr);
            FUZZ_CHECK(data->ProductionMonth >= 1 && data->ProductionMonth <= 12);
            FUZZ_CHECK(data->ProductionDay >= 1 && data->ProductionDay <= 31);
            FUZZ_CHECK(std::isfinite(data->Version));
        }
        return {result, isUntouched(*data)};
    }
    case 2: {
        const auto length = untouchedOutput<int32_t>();
        const auto code = std::make_unique<uint8_t[]>(21);
        std::memset(code.get(), Untouched, 21);
        const int32_t result = exports.GetCardCode(length.get(), code.get());
        if (result == 1)
            FUZZ_CHECK(*length >= 0 && *length <= 21);
        return {result, isUntouched(*length) && isUntouched(*code.get(), 21)};
    }
    case 3:
        return {exports.PlaySound(input.ConsumeIntegral<int32_t>()), true};
    case 4:
    case 6: {
        const auto value = untouchedOutput<int32_t>();
        const int32_t result = input.ConsumeBool() ? exports.GetConfigBits(value.get()) : exports.GetDeviceMode(value.get());
        if (result == 1)
            FUZZ_CHECK(*value >= 0 && *value <= 255);
        return {result, isUntouched(*value)};
    }
    case 5:
        return {exports.SetConfigBits(input.ConsumeIntegral<uint8_t>()), true};
    case 7:
        return {exports.SetDeviceMode(input.ConsumeIntegral<uint8_t>()), true};
    case 8: {
        const auto enable = untouchedOutput<uint8_t>();
        const int32_t result = exports.GetEnable(enable.get());
        return {result, isUntouched(*enable)};
    }
    case 9:
        return {exports.SetEnable(input.ConsumeIntegral<uint8_t>()), true};
    case 10:
        return getReport(&ConfigExports::GetBeforeHidKeyboardReport, exports);
    case 11:
        return setReport(input, &ConfigExports::SetBeforeHidKeyboardReport, exports);
    case 12:
        return getReport(&ConfigExports::GetAfterHidKeyboardReport, exports);
    case 13:
        return setReport(input, &ConfigExports::SetAfterHidKeyboardReport, exports);
    case 14:
        return getReport(&ConfigExports::GetRemoveHidKeyboardReport, exports);
    case 15:
        return setReport(input, &ConfigExports::SetRemoveHidKeyboardReport, exports);
    case 16:
        return getText(&ConfigExports::GetPrefix, exports);
    case 17:
        return setText(input, &ConfigExports::SetPrefix, exports);
    case 18:
        return getText(&ConfigExports::GetSufix, exports);
    default:
        return setText(input, &ConfigExports::SetSufix, exports);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    FuzzPlatform platform(input);
    ConfigExports exports(platform);
    for (int calls = 0; calls < 24 && input.remaining_bytes() > 0; ++calls) {
        platform.opens = 0;
        const Outcome outcome = call(input, exports);
        FUZZ_CHECK(outcome.result == 0 || outcome.result == 1);
        if (platform.opens == 0)
            FUZZ_CHECK(outcome.untouched);
    }
    return 0;
}
