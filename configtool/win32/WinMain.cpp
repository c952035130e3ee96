// Mardune on Windows: the start-up. Only one copy of a program file runs (a
// later start brings it forward, hands it its file and ends with 0, without
// a splash); the splash stays up for SplashMinTime while the main window and
// the transfer dialog are built; then the message loop.
#include "CheckPrevious.h"
#include "CommandLine.h"
#include "SplashScreen.h"
#include "SplashTiming.h"
#include "UnexpectedError.h"
#include "Unit1.h"

#include <windows.h>

namespace {

using namespace mardune::literals;

// --help and --version: on the console that started the tool (or where its
// output goes), else in a box: a windowed program has no console of its own.
int Print(const TString &text)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((!out || GetFileType(out) == FILE_TYPE_UNKNOWN) && AttachConsole(ATTACH_PARENT_PROCESS))
        out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        if (GetFileType(out) == FILE_TYPE_CHAR) {
            TString console = text;
            for (size_t at = 0; (at = console.find(L'\n', at)) != TString::npos; at += 2)
                console.insert(at, 1, L'\r');
            if (WriteConsoleW(out, console.data(), static_cast<DWORD>(console.size()), &written, nullptr))
                return 0;
        }
        const std::string bytes = ToUtf8(text);
        if (WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            return 0;
    }
    MessageBoxW(nullptr, text.c_str(), L"Mardune", MB_OK | MB_ICONINFORMATION);
    return 0;
}

int Run()
{
    // The file this start was asked to load, by absolute name: a running
    // instance that takes it over works in another folder.
    TString fileName = ConfigFileArgument(ApplicationArguments());
    if (!IsEmpty(fileName))
        fileName = AbsolutePath(fileName);
    if (CheckInstanceLimit(1, fileName))
        return 0;

    const uint32_t start = TickCount();
    TFormSplash splash;
    splash.Show();
    ProcessMessages();

    SetApplicationTitle(u"Usb RFID Configuration Tool"_s);
    TForm1 form; // it creates the transfer dialog
    SetMainForm(&form);
    SetInstanceMainForm(&form);
    // Files that later starts hand over load as the start-up's own does.
    SetLaterStartFileHandler([&form](const TString &file) { form.OpenLaterStartFile(file); });

    const uint32_t wait = SplashWait(SplashRemaining(start, TickCount()));
    if (wait > 0)
        Sleep(wait);
    splash.Hide();
    ProcessMessages();

    form.Show();
    const int result = RunApplication();
    SetLaterStartFileHandler(nullptr);
    SetInstanceMainForm(nullptr);
    return result;
}

} // namespace

extern "C" int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    switch (StartAction(ApplicationArguments())) {
    case saHelp:
        return Print(HelpText());
    case saVersion:
        return Print(VersionText());
    case saRun:
        break;
    }
    int result = 1;
    try {
        result = Run();
    } catch (...) {
        // An error during start-up ends it, with its message.
        ShowUnexpectedError(CurrentExceptionMessage());
    }
    CheckPreviousCleanup();
    return result;
}
