#include "CardCodeApi.h"

#include "DateTime.h"

#include <algorithm>
#include <cstring>

namespace korvel {
namespace {

enum Command : uint8_t {
    CmdRequestData = 0,
    CmdPlaySound = 1,
    CmdSetConfigBits = 3,
    CmdSetDeviceMode = 4,
    CmdSetEnable = 5,
    CmdSetPrefix = 7,
    CmdSetSufix = 8,
    CmdBeforeReport = 11, // first half; the second half is the next code
    CmdAfterReport = 21,
    CmdRemoveReport = 31,
    CmdSetFactoryId = 99,
    CmdSetProductionDate = 100,
};

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

constexpr int ChunkSize = 7;

} // namespace

bool TMarduneReader::OpenDevice()
{
    return Connect(ReaderVendorId, ReaderProductId);
}

// Index 0 report ID 0, index 1 the command, 2..7 the parameters. Index 8 is
// left as it stands (the last answer's eighth data byte).
bool TMarduneReader::Write(uint8_t command, std::array<uint8_t, 6> parameters)
{
    HIDReport[0] = 0;
    HIDReport[1] = command;
    std::copy(parameters.begin(), parameters.end(), HIDReport.begin() + 2);
    return SetFeatureReport(HIDReport);
}

bool TMarduneReader::RequestData(uint8_t item, uint8_t parameter)
{
    return Write(CmdRequestData, {item, parameter, 0, 0, 0, 0});
}

bool TMarduneReader::ReadAnswer()
{
    HIDReport[0] = 0;
    return GetFeatureReport(HIDReport);
}

// A request and its answer. The answer is taken as it arrives: nothing in it
// is matched against the request.
bool TMarduneReader::Read(uint8_t item, uint8_t parameter, bool &requestSent)
{
    requestSent = RequestData(item, parameter);
    return requestSent && ReadAnswer();
}

bool TMarduneReader::PlaySound(int32_t Sound)
{
    return Write(CmdPlaySound, {static_cast<uint8_t>(Sound), 0, 0, 0, 0, 0});
}

bool TMarduneReader::GetConfig(uint8_t &ConfByte, uint8_t &ConfByte2, uint8_t &UsbEnum)
{
    bool requestSent;
    if (!Read(ItemConfig, 0, requestSent))
        return false;
    ConfByte = HIDReport[5];
    ConfByte2 = HIDReport[6];
    UsbEnum = HIDReport[7];
    return true;
}

bool TMarduneReader::SetConfigBits(uint8_t ConfByte)
{
    return Write(CmdSetConfigBits, {ConfByte, 0, 0, 0, 0, 0});
}

// The mode goes at index 3; it reads back at index 7 of item 4.
bool TMarduneReader::SetDeviceMode(uint8_t DevMode)
{
    return Write(CmdSetDeviceMode, {0, DevMode, 0, 0, 0, 0});
}

bool TMarduneReader::SetEnable(uint8_t Enable)
{
    return Write(CmdSetEnable, {Enable, 0, 0, 0, 0, 0});
}

bool TMarduneReader::GetEnable(uint8_t &Enable)
{
    bool requestSent;
    const bool ok = Read(ItemEnable, 0, requestSent);
    if (requestSent)
        Enable = HIDReport[1];
    return ok;
}

// Two writes; when the first fails the second is not sent, so the reader
// may hold a new first half and an old second half after a failure.
bool TMarduneReader::SetReport(uint8_t firstCommand, const TKeybHIDReport &Report)
{
    if (!Write(firstCommand, {Report.Modifier, Report.Reserved, Report.Key1, Report.Key2, 0, 0}))
        return false;
    return Write(static_cast<uint8_t>(firstCommand + 1),
                 {Report.Key3, Report.Key4, Report.Key5, Report.Key6, 0, 0});
}

bool TMarduneReader::GetReport(uint8_t item, TKeybHIDReport &Report)
{
    bool requestSent;
    const bool ok = Read(item, 0, requestSent);
    if (requestSent)
        std::memcpy(&Report, &HIDReport[1], sizeof Report);
    return ok;
}

bool TMarduneReader::SetBeforeHidKeyboardReport(const TKeybHIDReport &Report)
{
    return SetReport(CmdBeforeReport, Report);
}

bool TMarduneReader::GetBeforeHidKeyboardReport(TKeybHIDReport &Report)
{
    return GetReport(ItemBeforeReport, Report);
}

bool TMarduneReader::SetAfterHidKeyboardReport(const TKeybHIDReport &Report)
{
    return SetReport(CmdAfterReport, Report);
}

bool TMarduneReader::GetAfterHidKeyboardReport(TKeybHIDReport &Report)
{
    return GetReport(ItemAfterReport, Report);
}

bool TMarduneReader::SetRemoveHidKeyboardReport(const TKeybHIDReport &Report)
{
    return SetReport(CmdRemoveReport, Report);
}

bool TMarduneReader::GetRemoveHidKeyboardReport(TKeybHIDReport &Report)
{
    return GetReport(ItemRemoveReport, Report);
}

std::string NormalizeAffix(const std::string &text)
{
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(first), blank).base();
    std::string result(first, last);
    for (char &c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

// Up to six characters, after trimming and upper-casing; the rest is dropped.
bool TMarduneReader::SetText(uint8_t command, const std::string &text)
{
    const std::string normalized = NormalizeAffix(text);
    std::array<uint8_t, 6> characters{};
    std::copy_n(normalized.begin(), std::min<size_t>(normalized.size(), characters.size()),
                characters.begin());
    return Write(command, characters);
}

// Every non-zero byte of the answer is a character, wherever zeros stand.
bool TMarduneReader::GetText(uint8_t item, std::string &text)
{
    text.clear();
    bool requestSent;
    const bool ok = Read(item, 0, requestSent);
    if (requestSent)
        for (int i = 1; i <= 8; ++i)
            if (HIDReport[i] != 0)
                text.push_back(static_cast<char>(HIDReport[i]));
    return ok;
}

bool TMarduneReader::SetPrefix(const std::string &Prefix)
{
    return SetText(CmdSetPrefix, Prefix);
}

bool TMarduneReader::GetPrefix(std::string &Prefix)
{
    return GetText(ItemPrefix, Prefix);
}

bool TMarduneReader::SetSufix(const std::string &Sufix)
{
    return SetText(CmdSetSufix, Sufix);
}

bool TMarduneReader::GetSufix(std::string &Sufix)
{
    return GetText(ItemSufix, Sufix);
}

bool TMarduneReader::GetCardCode(TCardCode &Code)
{
    bool requestSent;
    const bool ok = Read(ItemCardCode, 0, requestSent);
    if (requestSent)
        std::copy_n(HIDReport.begin() + 1, Code.size(), Code.begin());
    return ok;
}

// Item 11 gives the length, then item 12 one chunk of seven bytes per
// offset the length calls for. A chunk whose request fails is skipped; the
// result is that of the last answer read.
bool TMarduneReader::GetExCardCode(TExCardCode &Code)
{
    bool requestSent;
    bool result = Read(ItemExCodeLength, 0, requestSent);
    if (!requestSent)
        return false;
    Code.CodeLength = HIDReport[1];
    if (Code.CodeLength == 0)
        return result;

    for (int offset = 0; offset < static_cast<int>(sizeof Code.Code); offset += ChunkSize) {
        if (offset > 0 && Code.CodeLength <= offset)
            break;
        if (!RequestData(ItemExCodeChunk, static_cast<uint8_t>(offset)))
            continue;
        result = ReadAnswer();
        std::copy_n(HIDReport.begin() + 1, ChunkSize, Code.Code + offset);
    }
    return result;
}

bool TMarduneReader::SetFactoryID(uint32_t FactID)
{
    return Write(CmdSetFactoryId, {static_cast<uint8_t>(FactID), static_cast<uint8_t>(FactID >> 8),
                                   static_cast<uint8_t>(FactID >> 16),
                                   static_cast<uint8_t>(FactID >> 24), 0, 0});
}

bool TMarduneReader::GetFactoryID(int32_t &FactID)
{
    bool requestSent;
    const bool ok = Read(ItemFactoryId, 0, requestSent);
    if (requestSent)
        FactID = static_cast<int32_t>(uint32_t{HIDReport[1]} | uint32_t{HIDReport[2]} << 8 |
                                      uint32_t{HIDReport[3]} << 16 | uint32_t{HIDReport[4]} << 24);
    return ok;
}

// The year goes as the low byte of (year - 2000) in 16 bits: 2000-2255 map
// to 0-255 and other years wrap (1999 gives 255).
bool TMarduneReader::SetProductionDate(double ProdDate)
{
    const CalendarDate date = decodeDate(ProdDate);
    const auto year = static_cast<uint8_t>(static_cast<uint16_t>(date.year - 2000));
    return Write(CmdSetProductionDate, {year, static_cast<uint8_t>(date.month),
                                        static_cast<uint8_t>(date.day), 0, 0, 0});
}

// An invalid stored date reads as 0 (30 December 1899), not as a failure.
bool TMarduneReader::GetProductionDate(double &ProdDate)
{
    bool requestSent;
    const bool ok = Read(ItemProductionDate, 0, requestSent);
    if (requestSent) {
        const int year = 2000 + HIDReport[1];
        const int month = HIDReport[2];
        const int day = HIDReport[3];
        ProdDate = isValidDate(year, month, day) ? encodeDate(year, month, day) : 0.0;
    }
    return ok;
}

} // namespace korvel
