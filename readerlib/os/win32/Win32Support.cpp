#include "Win32Support.h"

#include "HidHeaders.h"

#include <climits>
#include <cstring>

namespace korvel::win32 {

std::string ansiFromWide(const wchar_t *text, size_t length)
{
    if (length == 0 || length > INT_MAX)
        return {};
    LastErrorGuard keep;
    const int wideLength = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_ACP, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string result(static_cast<size_t>(size), '\0');
    const int written = WideCharToMultiByte(CP_ACP, 0, text, wideLength, result.data(), size, nullptr, nullptr);
    result.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return result;
}

std::wstring wideFromAnsi(const std::string &text)
{
    if (text.empty() || text.size() > INT_MAX)
        return {};
    LastErrorGuard keep;
    const int ansiLength = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), ansiLength, nullptr, 0);
    if (size <= 0)
        return {};
    std::wstring result(static_cast<size_t>(size), L'\0');
    const int written = MultiByteToWideChar(CP_ACP, 0, text.data(), ansiLength, result.data(), size);
    result.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return result;
}

std::string systemErrorText(DWORD error)
{
    LastErrorGuard keep;
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    const std::unique_ptr<wchar_t, LocalFreer> owner(buffer);
    if (length == 0 || !buffer)
        return "System error " + std::to_string(error);
    std::string text = ansiFromWide(buffer, length);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

GUID hidGuid()
{
    GUID guid;
    HidD_GetHidGuid(&guid);
    return guid;
}

Guid toGuid(const GUID &guid)
{
    static_assert(sizeof(Guid) == sizeof(GUID));
    Guid result;
    std::memcpy(&result, &guid, sizeof result);
    return result;
}

} // namespace korvel::win32
