// The tool's debugger output: one line of text on stderr. Tests may take
// the lines instead.
#pragma once

#include <QString>

#include <functional>

// Writes `text` as it comes, adding a line break when it has none.
void OutputDebugString(const QString &text);

// Replaces the stderr writer (null restores it).
using TDebugOutputHook = std::function<void(const QString &text)>;
void SetDebugOutputHook(TDebugOutputHook hook);
