#include "Text.h"

#include <windows.h>

#include <cstdio>

TString IntToStr(int64_t value)
{
    return std::to_wstring(value);
}

TString IntToHex(uint32_t value, int digits)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"%0*X", digits < 0 ? 0 : (digits > 8 ? 8 : digits), static_cast<unsigned>(value));
    return text;
}

TString Chr(uint16_t code)
{
    return TString(1, static_cast<wchar_t>(code));
}

bool Contains(const TString &text, const TString &part)
{
    return text.find(part) != TString::npos;
}

bool IsEmpty(const TString &text)
{
    return text.empty();
}

TString Trim(const TString &text)
{
    const wchar_t *const blanks = L" \t\r\n\v\f";
    const size_t first = text.find_first_not_of(blanks);
    if (first == TString::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

namespace {

TString FromCodePage(UINT codePage, std::string_view text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    TString out(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

} // namespace

TString FromUtf8(std::string_view text)
{
    return FromCodePage(CP_UTF8, text);
}

std::string ToUtf8(const TString &text)
{
    if (text.empty())
        return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length, nullptr,
                            nullptr);
    return out;
}

TString FromSystem8Bit(const char *text)
{
    return text ? FromCodePage(CP_ACP, text) : TString();
}

std::u32string ToUcs4(const TString &text)
{
    std::u32string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            out += 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

TString FromUcs4(const std::u32string &text)
{
    TString out;
    for (const char32_t c : text) {
        if (c >= 0x10000 && c <= 0x10FFFF) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c > 0xFFFF ? 0xFFFD : c);
        }
    }
    return out;
}

std::string FileSystemName(const TString &fileName)
{
    return ToUtf8(fileName);
}

TString FromFileSystemText(const std::string &text)
{
    return FromUtf8(text);
}

bool FileExists(const TString &fileName)
{
    const DWORD attributes = GetFileAttributesW(fileName.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TString AbsolutePath(const TString &fileName)
{
    const DWORD length = GetFullPathNameW(fileName.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return fileName;
    TString path(length, L'\0');
    const DWORD written = GetFullPathNameW(fileName.c_str(), length, path.data(), nullptr);
    path.resize(written < length ? written : 0);
    return path.empty() ? fileName : path;
}

TDate EncodeDate(int year, int month, int day)
{
    return {year, month, day};
}

int YearOf(const TDate &date)
{
    return date.Year;
}

int MonthOf(const TDate &date)
{
    return date.Month;
}

int DayOf(const TDate &date)
{
    return date.Day;
}

TString LongMonthName(int month)
{
    if (month < 1 || month > 12)
        return {};
    const LCTYPE item = LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(month - 1);
    wchar_t name[80] = {};
    // The form a date uses (genitive where the language has one), else the
    // plain name.
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item | LOCALE_RETURN_GENITIVE_NAMES, name, 80) > 0 ||
        GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, name, 80) > 0)
        return name;
    return {};
}
