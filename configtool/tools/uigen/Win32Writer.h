// Writes a design as the Win32 toolkit binding builds it: a control table
// (pixel geometry, captions, items, colours), a Ui::<class> whose members
// carry the names of the design with the tool's control types, as uic's
// class does for Qt, and the control and menu command IDs for tests that
// drive the window by window messages.
#pragma once

#include "UiDesign.h"

#include <string>

namespace uigen {

struct TWin32Sources {
    std::string Header; // ui_<base>.h
    std::string Source; // ui_<base>.cpp
    std::string Ids;    // <base>Ids.h
};

// `base`: the design file's name without ".ui" ("Unit1").
TWin32Sources WriteWin32(const TDesign &design, const std::string &base);

// The first control ID and menu command ID a design gets.
inline constexpr int FirstControlId = 1000;
inline constexpr int FirstMenuCommandId = 100;

} // namespace uigen
