// Opens an address (a web page, a mailto: link) with the user's default
// program. A failure is not reported.
#pragma once

#include "Text.h"

void OpenDocument(const TString &address);
