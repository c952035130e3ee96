#include "DebugOutput.h"

#include "ToolHook.h"
#include "os/SystemText.h"

void DebugOutput(const TString &text)
{
    if (TToolHook *hook = ToolHook())
        hook->DebugLine(text);
    else
        WriteDebugOutput(text);
}
