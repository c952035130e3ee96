// What a reader can do by its firmware version, the number its product
// string ends in ("USB RFID Reader Ver: 1.7").
//
// The one home of these rules for the library, the tool, korvelctl and the
// card listener. Header-only and with no other dependency, so that the
// library applies them by including this file; it links nothing of
// readerconfig.
#pragma once

namespace readerconfig {

// Before 1.5 a reader cannot report card codes; from 1.5 it reports the
// 5-byte form, from 1.7 the extended form of up to 21 bytes.
inline constexpr double FirstVersionWithCardCode = 1.5;
inline constexpr double FirstVersionWithExCardCode = 1.7;
// From 1.7 the tool offers the reader's prefix and suffix page.
inline constexpr double FirstVersionWithPrefixSufixPage = 1.7;

constexpr bool AnswersCardCode(double version)
{
    return version >= FirstVersionWithCardCode;
}

constexpr bool AnswersExCardCode(double version)
{
    return version >= FirstVersionWithExCardCode;
}

constexpr bool ShowsPrefixSufixPage(double version)
{
    return version >= FirstVersionWithPrefixSufixPage;
}

} // namespace readerconfig
