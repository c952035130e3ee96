#include "Win32Logic.h"

#include <cstdio>
#include <cstring>

namespace korvel::win32 {

std::string registryGuidText(const Guid &guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), static_cast<unsigned>(guid.Data2),
                  static_cast<unsigned>(guid.Data3), guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                  guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string deviceClassKeyName(const std::string &path, const Guid &classGuid)
{
    std::string interfaceName = path;
    for (size_t position : {1u, 2u, 4u})
        if (position <= interfaceName.size())
            interfaceName[position - 1] = '#';
    return DeviceClassesKey + registryGuidText(classGuid) + "\\" + interfaceName;
}

DeviceInterfaceBroadcast deviceInterfaceFilter(const Guid &classGuid)
{
    DeviceInterfaceBroadcast filter;
    std::memset(&filter, 0, sizeof filter);
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = dbt::DevTypDeviceInterface;
    filter.dbcc_classguid = classGuid;
    return filter;
}

std::string withSystemText(const char *pattern, const std::string &text)
{
    std::string message = pattern;
    if (const size_t at = message.find("%s"); at != std::string::npos)
        message.replace(at, 2, text);
    return message;
}

AfterStart afterStart(bool started, uint32_t lastError)
{
    if (started)
        return AfterStart::Finished;
    return lastError == ErrorIoPending ? AfterStart::Wait : AfterStart::Failed;
}

AfterWait afterWait(uint32_t waitResult)
{
    switch (waitResult) {
    case WaitObject0:
        return AfterWait::Collect;
    case WaitTimeout:
        return AfterWait::CancelTimedOut;
    default:
        return AfterWait::CancelFailed;
    }
}

os::RawDevice::ReadResult readResult(AfterWait step, bool delivered)
{
    using Result = os::RawDevice::ReadResult;
    switch (step) {
    case AfterWait::Collect:
        return delivered ? Result::Report : Result::Failed;
    case AfterWait::CancelTimedOut:
        return delivered ? Result::Report : Result::TimedOut;
    case AfterWait::CancelFailed:
        break;
    }
    return Result::Failed;
}

bool writeSucceeded(AfterWait step, bool delivered)
{
    return step == AfterWait::Collect && delivered;
}

} // namespace korvel::win32
