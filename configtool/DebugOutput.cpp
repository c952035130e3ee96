#include "DebugOutput.h"

#include <cstdio>

namespace {

TDebugOutputHook &Hook()
{
    static TDebugOutputHook hook;
    return hook;
}

} // namespace

void OutputDebugString(const QString &text)
{
    if (Hook()) {
        Hook()(text);
        return;
    }
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    if (!bytes.endsWith('\n'))
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

void SetDebugOutputHook(TDebugOutputHook hook)
{
    Hook() = std::move(hook);
}
