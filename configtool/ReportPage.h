// The controls of one keyboard report page (Before, After or Remove) and
// how a report is shown on them and taken from them.
#pragma once

#include "Forms.h"
#include "korvel.h"

#include <array>

struct TReportPageControls {
    std::array<TCheckBox *, 8> bits{}; // the check box of modifier bit 0 ... 7
    std::array<TComboBox *, 6> keys{}; // the lists Key1 ... Key6
};

// The page's controls by their design names ("CheckBox<page>RGUI",
// "ComboBox<page>Key1", ...), with the key lists filled.
TReportPageControls SetupReportPage(TForm *form, const char *page);
// Modifier bits into the check boxes, key codes into the lists.
void ShowReport(const TReportPageControls &page, const TKeybHIDReport &report);
// Modifier and Key1..Key6 from the page; Reserved is left as it is.
void ComposeReport(const TReportPageControls &page, TKeybHIDReport &report);
// Unchecks everything and selects entry 0 in every list.
void ClearReportPage(const TReportPageControls &page);
