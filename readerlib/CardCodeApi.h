// TMarduneReader: the reader's configuration operations, each turned into
// the feature-report commands its firmware understands. A write is one
// report (command code + parameters); a read is a request (command 0 naming
// an item) followed by a report read back.
#pragma once

#include "HidApi.h"
#include "ReaderIds.h"
#include "korvel.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

// The reader's keyboard report, as the C interface passes it.
using TKeybHIDReport = ::TKeybHIDReport;

using TCardCode = std::array<uint8_t, 5>;

struct TExCardCode {
    uint8_t CodeLength;                // as the reader reports it; may exceed 21
    uint8_t Code[RFID_CARD_CODE_SIZE]; // three chunks of seven
};
static_assert(sizeof(TExCardCode) == 22);

class TMarduneReader : public THidApi {
public:
    using THidApi::THidApi;

    bool OpenDevice();
    bool PlaySound(int32_t Sound);
    bool GetConfig(uint8_t &ConfByte, uint8_t &ConfByte2, uint8_t &UsbEnum);
    bool SetConfigBits(uint8_t ConfByte);
    bool SetDeviceMode(uint8_t DevMode);
    bool SetEnable(uint8_t Enable);
    bool GetEnable(uint8_t &Enable);
    bool SetBeforeHidKeyboardReport(const TKeybHIDReport &Report);
    bool GetBeforeHidKeyboardReport(TKeybHIDReport &Report);
    bool SetAfterHidKeyboardReport(const TKeybHIDReport &Report);
    bool GetAfterHidKeyboardReport(TKeybHIDReport &Report);
    bool SetRemoveHidKeyboardReport(const TKeybHIDReport &Report);
    bool GetRemoveHidKeyboardReport(TKeybHIDReport &Report);
    bool SetPrefix(const std::string &Prefix);
    bool GetPrefix(std::string &Prefix);
    bool SetSufix(const std::string &Sufix);
    bool GetSufix(std::string &Sufix);
    bool GetCardCode(TCardCode &Code);
    bool GetExCardCode(TExCardCode &Code);
    bool SetFactoryID(uint32_t FactID);
    bool GetFactoryID(int32_t &FactID);
    bool SetProductionDate(double ProdDate);
    bool GetProductionDate(double &ProdDate);

    // One feature report: index 0 report ID, 1..8 the data bytes. Holds the
    // last report sent or received. Grows when the device declares a longer
    // feature report.
    std::vector<uint8_t> HIDReport = std::vector<uint8_t>(9, 0);

private:
    bool RequestData(uint8_t item, uint8_t parameter);
    bool Write(uint8_t command, std::array<uint8_t, 6> parameters);
    bool ReadAnswer();
    bool Read(uint8_t item, uint8_t parameter, bool &requestSent);
    bool SetReport(uint8_t firstCommand, const TKeybHIDReport &Report);
    bool GetReport(uint8_t item, TKeybHIDReport &Report);
    bool SetText(uint8_t command, const std::string &text);
    bool GetText(uint8_t item, std::string &text);
};

// Trims characters of code 32 or less from both ends and turns a-z into A-Z.
std::string NormalizeAffix(const std::string &text);

} // namespace korvel
