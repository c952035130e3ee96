// The virtual reader's firmware: everything the reader does, with no I/O.
//
// The host (the umockdev bus, or a test) hands it every feature report that
// reaches interface 0 and asks it for every feature report read from there.
// It stores the settings like the reader's memory, answers each read item,
// keeps a log of every transfer, and can be told to misbehave (faults).
//
// The protocol itself is in CommandProtocol, the faults in Faults, the
// order of raw input reports in RawInputQueue; this class puts them behind
// one lock and keeps the logs.
//
// Thread safety: every public member may be called from any thread; the
// host's ioctl handlers run on a worker thread while tests inspect the log.
#pragma once

#include "CommandProtocol.h"
#include "Faults.h"
#include "RawInputQueue.h"
#include "ReaderProtocol.h"
#include "ReaderSettings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace readersim {

struct BootReport;

// One transfer as the reader saw it.
struct Transfer {
    enum class Kind { SetFeature, GetFeature };
    Kind kind;
    std::vector<uint8_t> bytes; // as sent, or as answered (report ID first)
    bool failed;                // refused by an injected fault
};

class ReaderFirmware {
public:
    ReaderFirmware() = default;
    explicit ReaderFirmware(ReaderIdentity identity, ReaderSettings settings = {});

    // Interface 0. `report` holds `length` bytes with the report ID in byte
    // 0; the eight data bytes are 1..8 (a longer declared report carries
    // zeros after them). Returns false when the reader refuses the transfer
    // (an injected fault, or the reader has dropped off the bus).
    bool setFeature(const uint8_t *report, size_t length);
    bool getFeature(uint8_t *report, size_t length);

    // Feature report length the reader declares, report ID byte included:
    // 9 normally, more when declareFeatureLength was used.
    size_t featureReportLength() const;

    // The card in the field. tapCard takes up to 21 code bytes (more are
    // cut); removeCard leaves the reader with no code (all zeros). Both type
    // what the settings say (see KeyboardOutput.h) into the keyboard sink
    // and log it as a "typed ..." event.
    void tapCard(const std::vector<uint8_t> &code);
    void removeCard();
    // Where the keyboard reports go (the host types them into the X server).
    // Runs outside the firmware's lock, on the thread that tapped the card.
    void setKeyboardSink(std::function<void(const std::vector<BootReport> &)> sink);
    std::vector<uint8_t> cardCode() const;

    // Faults.
    void failNextTransfers(int count);               // next `count` transfers fail
    void failStores(StoreFault fault);               // commands that store a setting: refused or lost
    void reportCodeLength(std::optional<uint8_t> n); // item 11 answers n instead
    void declareFeatureLength(size_t length);        // e.g. 65 instead of 9
    // After `transfers` more transfers the reader drops off the bus: that
    // transfer and all later ones fail, and onDropped runs once (the host
    // then removes the device). 0 drops at the next transfer.
    void dropAfter(int transfers);
    bool dropped() const;
    void setOnDropped(std::function<void()> callback);

    // Identity and settings.
    ReaderIdentity identity() const;
    void setIdentity(const ReaderIdentity &identity);
    ReaderSettings settings() const;
    void setSettings(const ReaderSettings &settings);
    // Another reader of the same model, as it comes from the factory: these
    // settings (its factory number and production date among them), no card
    // in the field, none of the transfer faults (the declared report length
    // and code length stay, as the model's). The logs go on.
    void becomeNewReader(const ReaderSettings &settings);
    // Runs after every change of the settings (for the host's state file).
    void setOnSettingsChanged(std::function<void(const ReaderSettings &)> callback);

    // Interface 1, the raw channel of the advanced mode: 65-byte reports,
    // report ID in byte 0, length byte in byte 1, 63 data bytes.
    using RawReport = std::array<uint8_t, 65>;
    // An output report from the host (`length` bytes, report ID first;
    // shorter reports count as zero-filled). In advanced mode the reader
    // answers it with an input report echoing its length byte and data; in
    // normal mode it is only logged.
    void receiveOutputReport(const uint8_t *report, size_t length);
    // Where input reports go (the host writes them to the hidraw node).
    // Runs outside the firmware's lock, on the thread that produced the report.
    void setInputReportSink(std::function<void(const RawReport &)> sink);
    // Sends one input report carrying `data` (cut to 63 bytes), whatever the mode.
    void sendInputReport(const std::vector<uint8_t> &data);
    // Sends a report exactly as given, e.g. with a length byte above 63.
    void sendRawInputReport(const RawReport &report);
    // Sends `count` input reports back to back, each carrying its sequence
    // number (0, 1, 2, ...) as 4 little-endian bytes followed by
    // `payload - 4` bytes of 0xA5 (payload 4..63).
    void streamInputReports(int count, size_t payload = 63);
    std::vector<RawReport> outputReports() const; // every output report received

    // Logs. transfers(): every feature transfer in order. events(): a
    // readable line per action the reader took ("sound 6", "config 0x2b").
    std::vector<Transfer> transfers() const;
    std::vector<std::string> events() const;
    void clearLogs();

private:
    // Releases the lock, then runs the callbacks a transfer calls for.
    void notify(std::unique_lock<std::mutex> &lock, bool droppedNow, bool settingsChanged);
    // Logs what the reader types and hands it to the keyboard sink, outside the lock.
    void type(std::unique_lock<std::mutex> &lock, std::vector<BootReport> reports);
    // Where the next input report goes (RawInputQueue::Route).
    RawInputQueue::Sink inputRoute();

    mutable std::mutex mutex_;
    ReaderIdentity identity_;
    ProtocolState state_;
    Faults faults_;
    std::function<void()> onDropped_;
    std::function<void(const ReaderSettings &)> onSettingsChanged_;
    std::vector<Transfer> transfers_;
    std::vector<RawReport> outputReports_;
    std::function<void(const RawReport &)> inputSink_;
    std::function<void(const std::vector<BootReport> &)> keyboardSink_;
    bool noSinkLogged_ = false; // the drop for want of a sink is logged once per sink
    std::vector<std::string> events_;
    RawInputQueue inputQueue_{[this] { return inputRoute(); }};
};

} // namespace readersim
