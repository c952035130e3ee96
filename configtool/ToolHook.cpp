#include "ToolHook.h"

namespace {

TToolHook *&Installed()
{
    static TToolHook *hook = nullptr;
    return hook;
}

} // namespace

TToolHook *ToolHook()
{
    return Installed();
}

void SetToolHook(TToolHook *hook)
{
    Installed() = hook;
}
