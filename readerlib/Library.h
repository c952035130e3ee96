// The library's state while it is loaded: this platform's HID layer, the raw
// channel (hidden window, receive thread) and the configuration functions'
// lock and reader. The raw channel comes before the configuration object and
// goes after it.
#pragma once

#include "ConfigExports.h"
#include "RWApi.h"

#include <memory>

namespace korvel {

struct Library {
    std::unique_ptr<os::HidPlatform> platform = os::createHidPlatform();
    TUSBReaderComm readerComm{*platform};
    ConfigExports config{*platform};
};

// The loaded library's state. On Linux a static object of DllExports.cpp,
// made when the library is loaded and destroyed when it is unloaded; on
// Windows made and freed by the DLL's entry point (os/win32/DllMain.cpp).
Library &loadedLibrary();

} // namespace korvel
