#include "ReaderFirmware.h"

#include "KeyboardOutput.h"

#include <algorithm>
#include <utility>

namespace readersim {
namespace {

constexpr size_t RawDataBytes = 63; // data area of a raw report, after ID and length byte

} // namespace

ReaderFirmware::ReaderFirmware(ReaderIdentity identity, ReaderSettings settings) : identity_(std::move(identity))
{
    state_.settings = settings;
}

void ReaderFirmware::notify(std::unique_lock<std::mutex> &lock, bool droppedNow, bool settingsChanged)
{
    std::function<void()> dropped;
    std::function<void(const ReaderSettings &)> changed;
    if (droppedNow)
        dropped = onDropped_;
    if (settingsChanged)
        changed = onSettingsChanged_;
    const ReaderSettings snapshot = state_.settings;
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
    // Every command but these two stores a setting.
    const bool stores = valid && length > 1 && report[1] != CmdRequestData && report[1] != CmdPlaySound;
    bool droppedNow = false;
    const bool refused = !valid || faults_.refuse(droppedNow, stores);
    transfers_.push_back({Transfer::Kind::SetFeature,
                          valid ? std::vector<uint8_t>(report, report + length) : std::vector<uint8_t>{},
                          refused});
    bool changed = false;
    if (!refused && !(stores && faults_.losesStores())) {
        FeatureReport padded{}; // a short report from the host reads as zeros past its end
        std::copy_n(report, std::min(length, padded.size()), padded.begin());
        changed = ApplyCommand(state_, padded, events_);
    }
    notify(lock, droppedNow, changed);
    return !refused;
}

bool ReaderFirmware::getFeature(uint8_t *report, size_t length)
{
    std::unique_lock lock(mutex_);
    const bool valid = report && length > 0;
    bool droppedNow = false;
    const bool refused = !valid || faults_.refuse(droppedNow);
    if (!refused) {
        FeatureReport answer = AnswerPendingItem(state_);
        faults_.adjustAnswer(state_.pendingItem, answer);
        std::fill_n(report, length, 0);
        std::copy_n(answer.begin(), std::min(length, answer.size()), report);
    }
    transfers_.push_back({Transfer::Kind::GetFeature,
                          valid ? std::vector<uint8_t>(report, report + length) : std::vector<uint8_t>{},
                          refused});
    notify(lock, droppedNow, false);
    return !refused;
}

size_t ReaderFirmware::featureReportLength() const
{
    std::lock_guard lock(mutex_);
    return faults_.featureLength();
}

void ReaderFirmware::tapCard(const std::vector<uint8_t> &code)
{
    std::unique_lock lock(mutex_);
    state_.card.assign(code.begin(), code.begin() + std::min(code.size(), MaxCodeBytes));
    if (faults_.dropped())
        return;
    type(lock, TypeCard(state_.settings, state_.card));
}

void ReaderFirmware::removeCard()
{
    std::unique_lock lock(mutex_);
    const bool hadCard = !state_.card.empty();
    state_.card.clear();
    if (faults_.dropped() || !hadCard)
        return;
    type(lock, TypeRemoval(state_.settings));
}

void ReaderFirmware::setKeyboardSink(std::function<void(const std::vector<BootReport> &)> sink)
{
    std::lock_guard lock(mutex_);
    keyboardSink_ = std::move(sink);
}

void ReaderFirmware::type(std::unique_lock<std::mutex> &lock, std::vector<BootReport> reports)
{
    if (reports.empty())
        return;
    events_.push_back("typed " + Describe(reports));
    if (state_.settings.confByte & ConfSound)
        events_.push_back("beep");
    const auto sink = keyboardSink_;
    lock.unlock();
    if (sink)
        sink(reports);
}

std::vector<uint8_t> ReaderFirmware::cardCode() const
{
    std::lock_guard lock(mutex_);
    return state_.card;
}

void ReaderFirmware::failNextTransfers(int count)
{
    std::lock_guard lock(mutex_);
    faults_.failNext(count);
}

void ReaderFirmware::failStores(StoreFault fault)
{
    std::lock_guard lock(mutex_);
    faults_.failStores(fault);
}

void ReaderFirmware::becomeNewReader(const ReaderSettings &settings)
{
    std::unique_lock lock(mutex_);
    state_ = ProtocolState{};
    state_.settings = settings;
    faults_.clearTransferFaults();
    notify(lock, false, true);
}

void ReaderFirmware::reportCodeLength(std::optional<uint8_t> n)
{
    std::lock_guard lock(mutex_);
    faults_.overrideCodeLength(n);
}

void ReaderFirmware::declareFeatureLength(size_t length)
{
    std::lock_guard lock(mutex_);
    faults_.declareFeatureLength(length);
}

void ReaderFirmware::dropAfter(int transfers)
{
    std::lock_guard lock(mutex_);
    faults_.dropAfter(transfers);
}

bool ReaderFirmware::dropped() const
{
    std::lock_guard lock(mutex_);
    return faults_.dropped();
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
    return state_.settings;
}

void ReaderFirmware::setSettings(const ReaderSettings &settings)
{
    std::unique_lock lock(mutex_);
    state_.settings = settings;
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

RawInputQueue::Sink ReaderFirmware::inputRoute()
{
    std::lock_guard lock(mutex_);
    if (faults_.dropped())
        return {};
    if (!inputSink_ && !noSinkLogged_) {
        events_.push_back("raw input dropped: no sink");
        noSinkLogged_ = true;
    }
    return inputSink_;
}

void ReaderFirmware::receiveOutputReport(const uint8_t *report, size_t length)
{
    if (!report || length == 0)
        return;
    RawReport out{};
    std::copy_n(report, std::min(length, out.size()), out.begin());

    RawInputQueue::Turn turn(inputQueue_);
    std::unique_lock lock(mutex_);
    if (faults_.dropped())
        return;
    outputReports_.push_back(out);
    events_.push_back("raw output " + std::to_string(out[1]) + " bytes");
    if (state_.settings.deviceMode == 0) {
        events_.push_back("raw output ignored in normal mode");
        return;
    }
    RawReport echo{};
    const uint8_t n = static_cast<uint8_t>(std::min<size_t>(out[1], RawDataBytes));
    echo[1] = n;
    std::copy_n(out.begin() + 2, n, echo.begin() + 2);
    events_.push_back("raw input " + std::to_string(n) + " bytes");
    lock.unlock();
    inputQueue_.send(turn, echo);
}

void ReaderFirmware::setInputReportSink(std::function<void(const RawReport &)> sink)
{
    std::function<void(const RawReport &)> old; // destroyed after both locks are released
    RawInputQueue::Turn turn(inputQueue_); // waits for a sink call running on another thread
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
    RawInputQueue::Turn turn(inputQueue_);
    {
        std::lock_guard lock(mutex_);
        if (faults_.dropped())
            return;
        events_.push_back("raw input " + std::to_string(report[1]) + " bytes");
    }
    inputQueue_.send(turn, report);
}

void ReaderFirmware::streamInputReports(int count, size_t payload)
{
    if (count <= 0)
        return;
    payload = std::clamp<size_t>(payload, 4, RawDataBytes);
    RawInputQueue::Turn turn(inputQueue_); // held for the whole stream: no other report comes in between
    {
        std::lock_guard lock(mutex_);
        if (faults_.dropped())
            return;
        events_.push_back("raw stream " + std::to_string(count) + " reports");
    }
    RawReport report{};
    report[1] = static_cast<uint8_t>(payload);
    std::fill_n(report.begin() + 6, payload - 4, 0xA5);
    for (int i = 0; i < count; ++i) {
        for (size_t b = 0; b < 4; ++b)
            report[2 + b] = static_cast<uint8_t>(static_cast<uint32_t>(i) >> (8 * b));
        inputQueue_.send(turn, report);
    }
}

std::vector<ReaderFirmware::RawReport> ReaderFirmware::outputReports() const
{
    std::lock_guard lock(mutex_);
    return outputReports_;
}

} // namespace readersim
