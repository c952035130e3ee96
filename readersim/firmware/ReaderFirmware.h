// The virtual reader's firmware: everything the reader does, with no I/O.
//
// The host (the umockdev bus, or a test) hands it every feature report that
// reaches interface 0 and asks it for every feature report read from there.
// It stores the settings like the reader's memory, answers each read item,
// keeps a log of every transfer, and can be told to misbehave (faults).
//
// Thread safety: every public member may be called from any thread; the
// host's ioctl handlers run on a worker thread while tests inspect the log.
#pragma once

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

// Command codes of feature reports sent to the reader (byte 1 of the report).
enum Command : uint8_t {
    CmdRequestData = 0,
    CmdPlaySound = 1,
    CmdSetConfigBits = 3,
    CmdSetDeviceMode = 4,
    CmdSetEnable = 5,
    CmdSetPrefix = 7,
    CmdSetSufix = 8,
    CmdBeforeFirstHalf = 11,
    CmdBeforeSecondHalf = 12,
    CmdAfterFirstHalf = 21,
    CmdAfterSecondHalf = 22,
    CmdRemoveFirstHalf = 31,
    CmdRemoveSecondHalf = 32,
    CmdSetFactoryId = 99,
    CmdSetProductionDate = 100,
};

// Items that a RequestData (command 0) selects for the next feature read.
enum Item : uint8_t {
    ItemBeforeReport = 1,
    ItemAfterReport = 2,
    ItemRemoveReport = 3,
    ItemConfig = 4,
    ItemEnable = 5,
    ItemCardCode = 6,
    ItemPrefix = 7,
    ItemSufix = 8,
    ItemExCodeLength = 11,
    ItemExCodeChunk = 12,
    ItemFactoryId = 99,
    ItemProductionDate = 100,
};

using KeyboardReport = std::array<uint8_t, 8>; // Modifier, Reserved, Key1..Key6

// What the reader keeps in its non-volatile memory.
struct ReaderSettings {
    uint8_t confByte = 0x0A;  // upper case, sound on
    uint8_t confByte2 = 0;    // carried along, unused by the host side
    uint8_t deviceMode = 0;   // 0 normal (keyboard), other: advanced
    uint8_t enable = 1;       // keyboard output on
    KeyboardReport before{};
    KeyboardReport after{};
    KeyboardReport remove{};
    std::array<uint8_t, 6> prefix{}; // raw bytes as received, zero-padded
    std::array<uint8_t, 6> sufix{};
    uint32_t factoryId = 10000;
    // Production date as stored: year - 2000, month, day. Not validated, so
    // an invalid date can be stored on purpose.
    uint8_t productionYear = 24;
    uint8_t productionMonth = 3;
    uint8_t productionDay = 15;

    bool operator==(const ReaderSettings &) const = default;

    // A line-based "key=value" text, for the host's state file. fromText
    // starts from the defaults and ignores unknown or malformed lines.
    std::string toText() const;
    static ReaderSettings fromText(const std::string &text);
};

// The reader's identity on the bus.
struct ReaderIdentity {
    uint16_t vendorId = READERSIM_VENDOR_ID; // the build's KORVEL_VENDOR_ID
    uint16_t productId = 0x0001;
    std::string manufacturer = "Korvel Project";
    std::string product = "USB RFID Reader Ver: 1.7";
};

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
    // One feature report as the protocol numbers it: report ID, eight data bytes.
    using Report = std::array<uint8_t, 9>;

    // Called under the lock: true when the transfer is refused; sets
    // `droppedNow` when this transfer is the one that drops the reader.
    bool takeFault(bool &droppedNow);
    bool applyCommand(const Report &report); // true when the settings changed
    void fillAnswer(Report &answer) const;   // data bytes of the pending item
    // Releases the lock, then runs the callbacks a transfer calls for.
    void notify(std::unique_lock<std::mutex> &lock, bool droppedNow, bool settingsChanged);

    // One send's hold on the sink lock (none when the sending thread already
    // holds it, i.e. a sink sending again).
    class SinkTurn;
    // Hands a report to the sink now, or after the running sink call returns.
    void emit(const SinkTurn &turn, const RawReport &report);
    // Under the sink lock, without the main lock: one report to the sink,
    // then the reports queued by sinks meanwhile.
    void deliver(const RawReport &report);

    mutable std::mutex mutex_;
    ReaderIdentity identity_;
    ReaderSettings settings_;
    std::vector<uint8_t> card_; // current code, up to 21 bytes
    uint8_t pendingItem_ = 0;
    uint8_t pendingParameter_ = 0;
    int failNext_ = 0;
    std::optional<uint8_t> codeLengthOverride_;
    size_t featureLength_ = 9;
    int dropCountdown_ = -1; // -1: no drop planned
    bool dropped_ = false;
    std::function<void()> onDropped_;
    std::function<void(const ReaderSettings &)> onSettingsChanged_;
    std::vector<Transfer> transfers_;
    std::vector<RawReport> outputReports_;
    std::function<void(const RawReport &)> inputSink_;
    std::function<void(const std::vector<BootReport> &)> keyboardSink_;
    void type(std::unique_lock<std::mutex> &lock, std::vector<BootReport> reports);
    bool noSinkLogged_ = false; // the drop for want of a sink is logged once per sink
    // Serializes the sink calls, so reports arrive in the order sent. Taken
    // before mutex_, never while holding it.
    std::mutex sinkMutex_;
    std::vector<RawReport> queued_; // under sinkMutex_: sent by a running sink
    std::vector<std::string> events_;
};

} // namespace readersim
