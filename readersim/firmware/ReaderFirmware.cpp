#include "ReaderFirmware.h"

#include "KeyboardOutput.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sstream>
#include <string_view>
#include <utility>

namespace readersim {
namespace {

constexpr size_t DataBytes = 8;
constexpr size_t MaxCodeBytes = 21;
constexpr size_t RawDataBytes = 63; // data area of a raw report, after ID and length byte

// The firmwares whose sink lock this thread holds: a sink that sends again
// runs under that lock already and must not wait for it.
thread_local std::vector<const ReaderFirmware *> sinkLocksHeld;

// The three keyboard reports in command and item order (before, after, remove).
constexpr KeyboardReport ReaderSettings::*KeyboardReports[] = {
    &ReaderSettings::before, &ReaderSettings::after, &ReaderSettings::remove};
constexpr const char *KeyboardReportNames[] = {"before", "after", "remove"};

std::string hexByte(uint8_t value)
{
    char text[5];
    std::snprintf(text, sizeof text, "0x%02x", value);
    return text;
}

// "00 0a ff": the bytes as space-separated hexadecimal pairs.
template <size_t N>
std::string hexList(const std::array<uint8_t, N> &bytes)
{
    std::string out;
    for (uint8_t b : bytes) {
        char text[4];
        std::snprintf(text, sizeof text, out.empty() ? "%02x" : " %02x", b);
        out += text;
    }
    return out;
}

// Prefix or suffix bytes for the event log: printable characters as they
// are, others as \xNN, trailing zero bytes left out.
std::string readableChars(const std::array<uint8_t, 6> &chars)
{
    size_t end = chars.size();
    while (end > 0 && chars[end - 1] == 0)
        --end;
    std::string out;
    for (size_t i = 0; i < end; ++i) {
        if (chars[i] >= 0x20 && chars[i] < 0x7F) {
            out += static_cast<char>(chars[i]);
        } else {
            char text[5];
            std::snprintf(text, sizeof text, "\\x%02x", chars[i]);
            out += text;
        }
    }
    return out;
}

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A whole-string number, hexadecimal when `base` is 16 or the text starts
// with 0x, no larger than `max`.
std::optional<uint32_t> parseNumber(std::string_view s, uint32_t max, int base = 10)
{
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (s.empty() || error != std::errc{} || end != s.data() + s.size() || value > max)
        return std::nullopt;
    return value;
}

// Exactly N space-separated byte values.
template <size_t N>
std::optional<std::array<uint8_t, N>> parseByteList(std::string_view s, int base)
{
    std::array<uint8_t, N> out{};
    size_t count = 0;
    while (!(s = trim(s)).empty()) {
        const size_t space = std::min(s.find(' '), s.size());
        const auto value = parseNumber(s.substr(0, space), 0xFF, base);
        if (!value || count == N)
            return std::nullopt;
        out[count++] = static_cast<uint8_t>(*value);
        s.remove_prefix(space);
    }
    if (count != N)
        return std::nullopt;
    return out;
}

} // namespace

std::string ReaderSettings::toText() const
{
    std::string out;
    const auto line = [&out](const char *key, const std::string &value) {
        out += key;
        out += '=';
        out += value;
        out += '\n';
    };
    line("confByte", hexByte(confByte));
    line("confByte2", hexByte(confByte2));
    line("deviceMode", std::to_string(deviceMode));
    line("enable", std::to_string(enable));
    for (size_t i = 0; i < 3; ++i)
        line(KeyboardReportNames[i], hexList(this->*KeyboardReports[i]));
    line("prefix", hexList(prefix));
    line("sufix", hexList(sufix));
    line("factoryId", std::to_string(factoryId));
    line("productionDate", std::to_string(productionYear) + ' ' + std::to_string(productionMonth) +
                               ' ' + std::to_string(productionDay));
    return out;
}

ReaderSettings ReaderSettings::fromText(const std::string &text)
{
    ReaderSettings s;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string_view key = trim(std::string_view(line).substr(0, eq));
        const std::string_view value = trim(std::string_view(line).substr(eq + 1));
        const auto byte = [&](uint8_t &field) {
            if (const auto n = parseNumber(value, 0xFF))
                field = static_cast<uint8_t>(*n);
        };
        const auto bytes = [&]<size_t N>(std::array<uint8_t, N> &field) {
            if (const auto list = parseByteList<N>(value, 16))
                field = *list;
        };

        if (key == "confByte")
            byte(s.confByte);
        else if (key == "confByte2")
            byte(s.confByte2);
        else if (key == "deviceMode")
            byte(s.deviceMode);
        else if (key == "enable")
            byte(s.enable);
        else if (key == "before")
            bytes(s.before);
        else if (key == "after")
            bytes(s.after);
        else if (key == "remove")
            bytes(s.remove);
        else if (key == "prefix")
            bytes(s.prefix);
        else if (key == "sufix")
            bytes(s.sufix);
        else if (key == "factoryId") {
            if (const auto n = parseNumber(value, 0xFFFFFFFF))
                s.factoryId = *n;
        } else if (key == "productionDate") {
            if (const auto date = parseByteList<3>(value, 10)) {
                s.productionYear = (*date)[0];
                s.productionMonth = (*date)[1];
                s.productionDay = (*date)[2];
            }
        }
    }
    return s;
}

ReaderFirmware::ReaderFirmware(ReaderIdentity identity, ReaderSettings settings)
    : identity_(std::move(identity)), settings_(settings)
{
}

bool ReaderFirmware::takeFault(bool &droppedNow)
{
    droppedNow = false;
    if (dropped_)
        return true;
    if (failNext_ > 0) {
        --failNext_;
        return true;
    }
    if (dropCountdown_ == 0) {
        dropped_ = droppedNow = true;
        dropCountdown_ = -1;
        return true;
    }
    if (dropCountdown_ > 0)
        --dropCountdown_;
    return false;
}

void ReaderFirmware::notify(std::unique_lock<std::mutex> &lock, bool droppedNow, bool settingsChanged)
{
    std::function<void()> dropped;
    std::function<void(const ReaderSettings &)> changed;
    if (droppedNow)
        dropped = onDropped_;
    if (settingsChanged)
        changed = onSettingsChanged_;
    const ReaderSettings snapshot = settings_;
    lock.unlock();
    if (changed)
        changed(snapshot);
    if (dropped)
        dropped();
}

bool ReaderFirmware::setFeature(const uint8_t *report, size_t length)
{
    std::unique_lock lock(mutex_);
    const bool valid = report && length > 0;
    bool droppedNow = false;
    const bool refused = !valid || takeFault(droppedNow);
    transfers_.push_back({Transfer::Kind::SetFeature,
                          valid ? std::vector<uint8_t>(report, report + length) : std::vector<uint8_t>{},
                          refused});
    bool changed = false;
    if (!refused) {
        Report padded{}; // a short report from the host reads as zeros past its end
        std::copy_n(report, std::min(length, padded.size()), padded.begin());
        changed = applyCommand(padded);
    }
    notify(lock, droppedNow, changed);
    return !refused;
}

bool ReaderFirmware::getFeature(uint8_t *report, size_t length)
{
    std::unique_lock lock(mutex_);
    const bool valid = report && length > 0;
    bool droppedNow = false;
    const bool refused = !valid || takeFault(droppedNow);
    if (!refused) {
        Report answer{};
        fillAnswer(answer);
        std::fill_n(report, length, 0);
        std::copy_n(answer.begin(), std::min(length, answer.size()), report);
    }
    transfers_.push_back({Transfer::Kind::GetFeature,
                          valid ? std::vector<uint8_t>(report, report + length) : std::vector<uint8_t>{},
                          refused});
    notify(lock, droppedNow, false);
    return !refused;
}

bool ReaderFirmware::applyCommand(const Report &r)
{
    ReaderSettings &s = settings_;
    const uint8_t command = r[1];
    switch (command) {
    case CmdRequestData:
        pendingItem_ = r[2];
        pendingParameter_ = r[3];
        return false;
    case CmdPlaySound:
        events_.push_back("sound " + std::to_string(r[2]));
        return false;
    case CmdSetConfigBits:
        s.confByte = r[2];
        events_.push_back("config " + hexByte(s.confByte));
        return true;
    case CmdSetDeviceMode:
        s.deviceMode = r[3];
        events_.push_back("mode " + std::to_string(s.deviceMode));
        return true;
    case CmdSetEnable:
        s.enable = r[2];
        events_.push_back("enable " + std::to_string(s.enable));
        return true;
    case CmdSetPrefix:
    case CmdSetSufix: {
        auto &chars = command == CmdSetPrefix ? s.prefix : s.sufix;
        std::copy_n(r.begin() + 2, chars.size(), chars.begin());
        const std::string text = readableChars(chars);
        events_.push_back((command == CmdSetPrefix ? "prefix" : "sufix") + (text.empty() ? "" : " " + text));
        return true;
    }
    case CmdBeforeFirstHalf:
    case CmdBeforeSecondHalf:
    case CmdAfterFirstHalf:
    case CmdAfterSecondHalf:
    case CmdRemoveFirstHalf:
    case CmdRemoveSecondHalf: {
        // Tens pick the report, units the half: 1 is Modifier..Key2, 2 is Key3..Key6.
        const size_t which = command / 10 - 1;
        KeyboardReport &keys = s.*KeyboardReports[which];
        std::copy_n(r.begin() + 2, 4, keys.begin() + (command % 10 == 1 ? 0 : 4));
        events_.push_back(std::string(KeyboardReportNames[which]) + ' ' + hexList(keys));
        return true;
    }
    case CmdSetFactoryId:
        s.factoryId = r[2] | r[3] << 8 | r[4] << 16 | static_cast<uint32_t>(r[5]) << 24;
        events_.push_back("factory-id " + std::to_string(s.factoryId));
        return true;
    case CmdSetProductionDate:
        s.productionYear = r[2];
        s.productionMonth = r[3];
        s.productionDay = r[4];
        events_.push_back("production-date " + std::to_string(r[2]) + ' ' + std::to_string(r[3]) + ' ' +
                          std::to_string(r[4]));
        return true;
    default:
        events_.push_back("unknown command " + std::to_string(command));
        return false;
    }
}

void ReaderFirmware::fillAnswer(Report &a) const
{
    const ReaderSettings &s = settings_;
    // Card code bytes from `offset` into a[1..count], zeros past its end.
    const auto codeBytes = [&](size_t offset, size_t count) {
        for (size_t i = 0; i < count; ++i)
            a[1 + i] = offset + i < card_.size() ? card_[offset + i] : 0;
    };
    switch (pendingItem_) {
    case ItemBeforeReport:
    case ItemAfterReport:
    case ItemRemoveReport: {
        const KeyboardReport &keys = s.*KeyboardReports[pendingItem_ - ItemBeforeReport];
        std::copy(keys.begin(), keys.end(), a.begin() + 1);
        break;
    }
    case ItemConfig:
        a[5] = s.confByte;
        a[6] = s.confByte2;
        a[7] = s.deviceMode;
        break;
    case ItemEnable:
        a[1] = s.enable;
        break;
    case ItemCardCode:
        codeBytes(0, 5);
        break;
    case ItemPrefix:
    case ItemSufix: {
        const auto &chars = pendingItem_ == ItemPrefix ? s.prefix : s.sufix;
        std::copy(chars.begin(), chars.end(), a.begin() + 1);
        break;
    }
    case ItemExCodeLength:
        a[1] = codeLengthOverride_.value_or(static_cast<uint8_t>(card_.size()));
        break;
    case ItemExCodeChunk:
        codeBytes(pendingParameter_, 7);
        break;
    case ItemFactoryId:
        for (size_t i = 0; i < 4; ++i)
            a[1 + i] = static_cast<uint8_t>(s.factoryId >> (8 * i));
        break;
    case ItemProductionDate:
        a[1] = s.productionYear;
        a[2] = s.productionMonth;
        a[3] = s.productionDay;
        break;
    default: // nothing requested yet, or an item the reader does not know
        break;
    }
}

size_t ReaderFirmware::featureReportLength() const
{
    std::lock_guard lock(mutex_);
    return featureLength_;
}

void ReaderFirmware::tapCard(const std::vector<uint8_t> &code)
{
    std::unique_lock lock(mutex_);
    card_.assign(code.begin(), code.begin() + std::min(code.size(), MaxCodeBytes));
    if (dropped_)
        return;
    type(lock, TypeCard(settings_, card_));
}

void ReaderFirmware::removeCard()
{
    std::unique_lock lock(mutex_);
    const bool hadCard = !card_.empty();
    card_.clear();
    if (dropped_ || !hadCard)
        return;
    type(lock, TypeRemoval(settings_));
}

void ReaderFirmware::setKeyboardSink(std::function<void(const std::vector<BootReport> &)> sink)
{
    std::lock_guard lock(mutex_);
    keyboardSink_ = std::move(sink);
}

// Logs what the reader types and hands it to the keyboard sink, outside the lock.
void ReaderFirmware::type(std::unique_lock<std::mutex> &lock, std::vector<BootReport> reports)
{
    if (reports.empty())
        return;
    events_.push_back("typed " + Describe(reports));
    if (settings_.confByte & 0x08)
        events_.push_back("beep");
    const auto sink = keyboardSink_;
    lock.unlock();
    if (sink)
        sink(reports);
}

std::vector<uint8_t> ReaderFirmware::cardCode() const
{
    std::lock_guard lock(mutex_);
    return card_;
}

void ReaderFirmware::failNextTransfers(int count)
{
    std::lock_guard lock(mutex_);
    failNext_ = std::max(count, 0);
}

void ReaderFirmware::reportCodeLength(std::optional<uint8_t> n)
{
    std::lock_guard lock(mutex_);
    codeLengthOverride_ = n;
}

void ReaderFirmware::declareFeatureLength(size_t length)
{
    std::lock_guard lock(mutex_);
    featureLength_ = length;
}

void ReaderFirmware::dropAfter(int transfers)
{
    std::lock_guard lock(mutex_);
    dropCountdown_ = std::max(transfers, -1);
}

bool ReaderFirmware::dropped() const
{
    std::lock_guard lock(mutex_);
    return dropped_;
}

void ReaderFirmware::setOnDropped(std::function<void()> callback)
{
    std::lock_guard lock(mutex_);
    onDropped_ = std::move(callback);
}

ReaderIdentity ReaderFirmware::identity() const
{
    std::lock_guard lock(mutex_);
    return identity_;
}

void ReaderFirmware::setIdentity(const ReaderIdentity &identity)
{
    std::lock_guard lock(mutex_);
    identity_ = identity;
}

ReaderSettings ReaderFirmware::settings() const
{
    std::lock_guard lock(mutex_);
    return settings_;
}

void ReaderFirmware::setSettings(const ReaderSettings &settings)
{
    std::unique_lock lock(mutex_);
    settings_ = settings;
    notify(lock, false, true);
}

void ReaderFirmware::setOnSettingsChanged(std::function<void(const ReaderSettings &)> callback)
{
    std::lock_guard lock(mutex_);
    onSettingsChanged_ = std::move(callback);
}

std::vector<Transfer> ReaderFirmware::transfers() const
{
    std::lock_guard lock(mutex_);
    return transfers_;
}

std::vector<std::string> ReaderFirmware::events() const
{
    std::lock_guard lock(mutex_);
    return events_;
}

void ReaderFirmware::clearLogs()
{
    std::lock_guard lock(mutex_);
    transfers_.clear();
    outputReports_.clear();
    events_.clear();
}

class ReaderFirmware::SinkTurn {
public:
    explicit SinkTurn(ReaderFirmware &firmware)
        : firmware_(firmware),
          nested_(std::find(sinkLocksHeld.begin(), sinkLocksHeld.end(), &firmware) != sinkLocksHeld.end())
    {
        if (!nested_) {
            lock_ = std::unique_lock(firmware.sinkMutex_);
            sinkLocksHeld.push_back(&firmware);
        }
    }
    ~SinkTurn()
    {
        if (nested_)
            return;
        firmware_.queued_.clear(); // left over only when a sink threw
        sinkLocksHeld.erase(std::find(sinkLocksHeld.begin(), sinkLocksHeld.end(), &firmware_));
    }
    SinkTurn(const SinkTurn &) = delete;
    SinkTurn &operator=(const SinkTurn &) = delete;

    bool nested() const { return nested_; }

private:
    ReaderFirmware &firmware_;
    const bool nested_;
    std::unique_lock<std::mutex> lock_; // released after the destructor's body
};

void ReaderFirmware::emit(const SinkTurn &turn, const RawReport &report)
{
    if (turn.nested())
        queued_.push_back(report); // the running sink call ends first
    else
        deliver(report);
}

void ReaderFirmware::deliver(const RawReport &report)
{
    const auto deliverOne = [this](const RawReport &r) {
        std::unique_lock lock(mutex_);
        if (dropped_)
            return;
        // A copy: the sink may replace itself while it runs.
        const std::function<void(const RawReport &)> sink = inputSink_;
        if (!sink) {
            if (!noSinkLogged_)
                events_.push_back("raw input dropped: no sink");
            noSinkLogged_ = true;
            return;
        }
        lock.unlock();
        sink(r);
    };
    deliverOne(report);
    for (size_t i = 0; i < queued_.size(); ++i) {
        const RawReport next = queued_[i]; // the sink may queue more, moving the vector
        deliverOne(next);
    }
    queued_.clear();
}

void ReaderFirmware::receiveOutputReport(const uint8_t *report, size_t length)
{
    if (!report || length == 0)
        return;
    RawReport out{};
    std::copy_n(report, std::min(length, out.size()), out.begin());

    SinkTurn turn(*this);
    std::unique_lock lock(mutex_);
    if (dropped_)
        return;
    outputReports_.push_back(out);
    events_.push_back("raw output " + std::to_string(out[1]) + " bytes");
    if (settings_.deviceMode == 0) {
        events_.push_back("raw output ignored in normal mode");
        return;
    }
    RawReport echo{};
    const uint8_t n = static_cast<uint8_t>(std::min<size_t>(out[1], RawDataBytes));
    echo[1] = n;
    std::copy_n(out.begin() + 2, n, echo.begin() + 2);
    events_.push_back("raw input " + std::to_string(n) + " bytes");
    lock.unlock();
    emit(turn, echo);
}

void ReaderFirmware::setInputReportSink(std::function<void(const RawReport &)> sink)
{
    std::function<void(const RawReport &)> old; // destroyed after both locks are released
    SinkTurn turn(*this); // waits for a sink call running on another thread
    std::lock_guard lock(mutex_);
    old = std::exchange(inputSink_, std::move(sink));
    noSinkLogged_ = false;
}

void ReaderFirmware::sendInputReport(const std::vector<uint8_t> &data)
{
    RawReport report{};
    const size_t n = std::min(data.size(), RawDataBytes);
    report[1] = static_cast<uint8_t>(n);
    std::copy_n(data.begin(), n, report.begin() + 2);
    sendRawInputReport(report);
}

void ReaderFirmware::sendRawInputReport(const RawReport &report)
{
    SinkTurn turn(*this);
    {
        std::lock_guard lock(mutex_);
        if (dropped_)
            return;
        events_.push_back("raw input " + std::to_string(report[1]) + " bytes");
    }
    emit(turn, report);
}

void ReaderFirmware::streamInputReports(int count, size_t payload)
{
    if (count <= 0)
        return;
    payload = std::clamp<size_t>(payload, 4, RawDataBytes);
    SinkTurn turn(*this); // held for the whole stream: no other report comes in between
    {
        std::lock_guard lock(mutex_);
        if (dropped_)
            return;
        events_.push_back("raw stream " + std::to_string(count) + " reports");
    }
    RawReport report{};
    report[1] = static_cast<uint8_t>(payload);
    std::fill_n(report.begin() + 6, payload - 4, 0xA5);
    for (int i = 0; i < count; ++i) {
        for (size_t b = 0; b < 4; ++b)
            report[2 + b] = static_cast<uint8_t>(static_cast<uint32_t>(i) >> (8 * b));
        emit(turn, report);
    }
}

std::vector<ReaderFirmware::RawReport> ReaderFirmware::outputReports() const
{
    std::lock_guard lock(mutex_);
    return outputReports_;
}

} // namespace readersim
