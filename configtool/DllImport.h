// The tool's binding to the library Korvel: the twenty configuration
// functions (RFID_OpenDevice ... RFID_SetRemoveHidKeyboardReport), linked at
// load time. The tool never calls the raw channel (RFID_RW_...).
#pragma once

#include "korvel.h"

// How many configuration functions the tool imports.
inline constexpr int ImportedFunctionCount = 20;
