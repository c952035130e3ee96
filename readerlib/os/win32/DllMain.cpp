// Korvel.dll's entry point: the library's state (Library.h) is made when a
// process attaches and freed when FreeLibrary detaches it, here rather than
// by static constructors and destructors, so that
// - a failure while loading (no hidden window, say) makes DllMain return
//   FALSE: LoadLibrary then fails with ERROR_DLL_INIT_FAILED and the host
//   keeps running, where an exception escaping static initialisation would
//   end it;
// - unloading keeps to what the loader lock allows: the receive thread is
//   stopped and waited for only until its body has returned, never until it
//   has exited (WorkerThread.h), and the hidden window and its class are
//   gone before the code they call;
// - at process exit (lpReserved not null) nothing is done: the system has
//   already ended the other threads, the receive thread among them, so
//   waiting for one would hang, and it reclaims memory, handles and
//   windows itself.
#include "Library.h"

#include <windows.h>

#include <exception>
#include <string>

namespace {

korvel::Library *library = nullptr; // between process attach and detach

void reportLoadFailure(const char *reason)
{
    OutputDebugStringA((std::string("Korvel.dll cannot be loaded: ") + reason + "\n").c_str());
}

BOOL attach() noexcept
{
    try {
        library = new korvel::Library;
        return TRUE;
    } catch (const std::exception &error) {
        reportLoadFailure(error.what());
    } catch (...) {
        reportLoadFailure("unknown error");
    }
    return FALSE;
}

} // namespace

korvel::Library &korvel::loadedLibrary()
{
    return *library;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return attach();
    case DLL_PROCESS_DETACH:
        // Also called by the runtime after a failed attach, with nothing made.
        if (reserved == nullptr)
            delete library;
        library = nullptr;
        return TRUE;
    default:
        return TRUE;
    }
}
