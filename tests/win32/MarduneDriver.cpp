// Drives Mardune.exe under Wine as a user would, through its windows: by
// control IDs (the ones generated from the window designs) and window
// messages only, and waits on what the windows show. One scenario per run;
// the harness (test-mardune.sh) checks in between what reached the virtual
// reader.
//   mardune_driver start         starts Mardune.exe: the splash, then the main
//                                window, attached, full height
//   mardune_driver pages         every page shows the reader's settings (the
//                                harness's state file); each Set writes new ones
//   mardune_driver save FILE     File > Save As ... into FILE (typed without
//                                ".rfc"): the transfer dialog, the confirmation
//   mardune_driver open FILE     File > Open FILE: loaded into the reader
//   mardune_driver refuse FILE   File > Open FILE that is no configuration: a
//                                message, nothing written
//   mardune_driver second        a second start brings the first forward and ends
//   mardune_driver notify        WM_DEVICECHANGE as the system sends it: a
//                                device-interface header refreshes, others not
//   mardune_driver unplugged     after an unplug and its notification: Not
//                                Attached, compact; Save As asks for a reader
//   mardune_driver exit          File > Exit ends the tool with exit code 0
//   mardune_driver launch        starts Mardune.exe and waits for its window
//   mardune_driver shoot DIR     pictures of the window as shown: every page
//                                (01-about.bmp ...), or not-attached.bmp
// Prints each failed check and "N passed, M failed"; exit status 1 on a failure.
#include "SplashScreenIds.h"
#include "Unit1Ids.h"
#include "UpDnFrmIds.h"

#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

int Passed = 0;
int Failed = 0;

void Check(bool ok, const char *what, const std::wstring &detail = {})
{
    if (ok) {
        ++Passed;
        return;
    }
    ++Failed;
    std::printf("FAILED: %s %ls\n", what, detail.c_str());
    std::fflush(stdout);
}

const wchar_t *const FormClass = L"MarduneForm";
const wchar_t *const MainCaption = L"USB RFID Configuration Tool";
const wchar_t *const Title = L"Usb RFID Configuration Tool"; // the message boxes'
constexpr DWORD Patience = 30000;                              // ms, for what a busy machine may take

// Polls `condition` until it holds or `limit` ms have passed.
bool WaitFor(const std::function<bool()> &condition, DWORD limit = Patience)
{
    const ULONGLONG end = GetTickCount64() + limit;
    while (!condition()) {
        if (GetTickCount64() > end)
            return false;
        Sleep(20);
    }
    return true;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &length);
    return text;
}

struct TFind {
    const wchar_t *className;
    const wchar_t *caption;
    DWORD process;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM data)
{
    auto *find = reinterpret_cast<TFind *>(data);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (std::wcscmp(name, find->className) == 0 && (!find->caption || TextOf(window) == find->caption) &&
        (!find->process || process == find->process) && (!find->visibleOnly || IsWindowVisible(window))) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND TopLevel(const wchar_t *className, const wchar_t *caption, bool visibleOnly, DWORD process = 0)
{
    TFind find{className, caption, process, visibleOnly, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

HWND MainWindow()
{
    return TopLevel(FormClass, MainCaption, false);
}

DWORD ToolProcess()
{
    DWORD process = 0;
    GetWindowThreadProcessId(MainWindow(), &process);
    return process;
}

struct TChild {
    int id;
    HWND found;
};

BOOL CALLBACK FindChild(HWND window, LPARAM data)
{
    auto *find = reinterpret_cast<TChild *>(data);
    if (GetDlgCtrlID(window) == find->id) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

// A control of a form by its design ID, anywhere among its descendants.
HWND Control(HWND form, int id)
{
    TChild find{id, nullptr};
    EnumChildWindows(form, FindChild, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

HWND Main(int id)
{
    return Control(MainWindow(), id);
}

std::wstring Text(int id)
{
    return TextOf(Main(id));
}

int Dpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int OuterHeight(HWND window)
{
    RECT frame{};
    GetWindowRect(window, &frame);
    return frame.bottom - frame.top;
}

bool HasHeight(int designPixels)
{
    return OuterHeight(MainWindow()) == MulDiv(designPixels, Dpi(), 96);
}

bool Checked(int id)
{
    return SendMessageW(Main(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// A click as the user makes it: the control's own notification follows.
void Click(int id)
{
    SendMessageW(Main(id), BM_CLICK, 0, 0);
}

void Menu(int command)
{
    PostMessageW(MainWindow(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void SetCheck(int id, bool checked)
{
    if (Checked(id) != checked)
        Click(id);
}

// Picks an entry of a drop-down list; the list tells its parent, as it
// does when the user picks one.
void Select(int id, int index)
{
    HWND list = Main(id);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

int Selected(int id)
{
    return static_cast<int>(SendMessageW(Main(id), CB_GETCURSEL, 0, 0));
}

void SetText(int id, const std::wstring &text)
{
    SendMessageW(Main(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Shows a page as a click on its tab does (TCN_SELCHANGE to the tool).
void ShowPage(int tab)
{
    SendMessageW(Main(TForm1Ids::PageControl), TCM_SETCURFOCUS, static_cast<WPARAM>(tab), 0);
}

bool PageShown(int id)
{
    return IsWindowVisible(Main(id)) != FALSE;
}

// --- boxes and dialogs of the tool ------------------------------------------

// A visible window of the system's dialog class belonging to the tool; with
// a caption, only that one.
HWND SystemDialog(const wchar_t *caption = nullptr)
{
    return TopLevel(L"#32770", caption, true, ToolProcess());
}

std::wstring BoxText(HWND box)
{
    return TextOf(GetDlgItem(box, 0xFFFF)); // the message's static control
}

void Press(HWND dialog, int button)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

// Waits for a message box of the tool, checks its text and presses
// `button`: the box's text, empty when none came.
std::wstring AnswerBox(const std::wstring &expected, int button)
{
    HWND box = nullptr;
    WaitFor([&] { return (box = SystemDialog(Title)) != nullptr; });
    Check(box != nullptr, "a message box", expected);
    if (!box)
        return {};
    const std::wstring text = BoxText(box);
    Check(text == expected, "the box's text", L"\"" + text + L"\", not \"" + expected + L"\"");
    Press(box, button);
    WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); });
    return text;
}

// Types `name` into the tool's open or save dialog and presses its OK.
void AnswerFileDialog(const std::wstring &name)
{
    HWND dialog = nullptr;
    WaitFor([&] {
        dialog = SystemDialog();
        return dialog && TextOf(dialog) != Title;
    });
    Check(dialog != nullptr, "a file dialog");
    if (!dialog)
        return;
    // The file name: an edit (edt1) or a combo box with one (cmb13).
    HWND field = GetDlgItem(dialog, 0x47C);
    if (!field)
        field = GetDlgItem(dialog, 0x480);
    Check(field != nullptr, "the file dialog's name field");
    if (!field)
        return;
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    Press(dialog, IDOK);
    WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
}

// Follows the transfer dialog from its first showing until it has shown
// `last` and is hidden again (a load runs two transfers in the one dialog,
// hidden for a moment between them), collecting the step texts it shows.
std::vector<std::wstring> FollowTransfers(const std::wstring &last)
{
    std::vector<std::wstring> steps;
    HWND load = nullptr;
    WaitFor([&] { return (load = TopLevel(FormClass, L"Load", true)) != nullptr; });
    Check(load != nullptr, "the transfer dialog");
    if (!load)
        return steps;
    HWND label = Control(load, TLoadIds::LabelA);
    const bool ended = WaitFor([&] {
        const bool shown = IsWindowVisible(load) != FALSE;
        const std::wstring text = TextOf(label);
        if (steps.empty() || steps.back() != text)
            steps.push_back(text);
        return !shown && text == last;
    });
    Check(ended, "the transfers end", last);
    return steps;
}

bool Contains(const std::vector<std::wstring> &steps, const wchar_t *step)
{
    for (const std::wstring &text : steps)
        if (text == step)
            return true;
    return false;
}

// --- scenarios --------------------------------------------------------------

PROCESS_INFORMATION StartTool()
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    wchar_t command[] = L"Mardune.exe";
    Check(CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) != 0,
          "Mardune.exe starts");
    return process;
}

void Launch()
{
    const PROCESS_INFORMATION tool = StartTool();
    Check(WaitFor([] { return MainWindow() && IsWindowVisible(MainWindow()); }), "the main window is shown");
    CloseHandle(tool.hThread);
    CloseHandle(tool.hProcess);
}

// The window's pixels on the screen (24 bits, bottom-up rows).
std::vector<char> Capture(HWND window, int &width, int &height)
{
    RECT frame{};
    GetWindowRect(window, &frame);
    width = frame.right - frame.left;
    height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    SelectObject(memory, old);
    GdiFlush();
    const size_t size = static_cast<size_t>((width * 3 + 3) & ~3) * static_cast<size_t>(height);
    std::vector<char> pixels(static_cast<const char *>(bits), static_cast<const char *>(bits) + size);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The window as the screen shows it once the tool has drawn everything, as
// a 24-bit BMP file. The tool paints the whole window while this waits (the
// WM_PAINT messages are sent, not posted); Wine's X11 driver puts what was
// painted on the screen a moment later, so the picture is taken once
// several captures in a row are alike. (WaitForInputIdle was no help:
// after a page switch it returned before the page was on the screen.)
void Shoot(const std::wstring &file)
{
    HWND main = MainWindow();
    Check(RedrawWindow(main, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW) != 0,
          "the window is painted", file);
    int width = 0, height = 0;
    std::vector<char> pixels = Capture(main, width, height);
    int alike = 0;
    Check(WaitFor([&] {
              std::vector<char> again = Capture(main, width, height);
              alike = again == pixels ? alike + 1 : 0;
              pixels = std::move(again);
              return alike >= 10; // 10 polls, about 200 ms
          }),
          "the window is drawn", file);
    BITMAPINFOHEADER info{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    BITMAPFILEHEADER header{0x4D42, static_cast<DWORD>(sizeof header + sizeof info + pixels.size()), 0, 0,
                            static_cast<DWORD>(sizeof header + sizeof info)};
    std::ofstream out(std::filesystem::path(file), std::ios::binary);
    out.write(reinterpret_cast<const char *>(&header), sizeof header);
    out.write(reinterpret_cast<const char *>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    Check(out.good(), "the picture is written", file);
}

void ShootAll(const std::wstring &dir)
{
    if (Text(TForm1Ids::LabelStatus) != L"Attached") {
        Shoot(dir + L"\\not-attached.bmp");
        return;
    }
    const int pages[] = {TForm1Ids::TabSheetOther,      TForm1Ids::TabSheetAdvancedBefore, TForm1Ids::TabSheetCardCode,
                         TForm1Ids::TabSheetPreSuf,     TForm1Ids::TabSheetAdvancedAfter,  TForm1Ids::TabSheetRemove,
                         TForm1Ids::TabSheetAnalize,    TForm1Ids::TabSheetDeviceMode};
    const wchar_t *const names[] = {L"01-about",  L"02-before", L"03-card-code", L"04-prefix-sufix",
                                    L"05-after",  L"06-remove", L"07-analyze",   L"08-device-mode"};
    for (int tab = 0; tab < 8; ++tab) {
        ShowPage(tab);
        Check(WaitFor([&] { return PageShown(pages[tab]); }), "the page shows", names[tab]);
        Shoot(dir + L"\\" + names[tab] + L".bmp");
    }
    ShowPage(0);
}

void Start()
{
    const PROCESS_INFORMATION tool = StartTool();
    // The splash first, then the main window shown with the reader's
    // identity and the full height; the splash hidden by then.
    HWND splash = nullptr;
    const bool splashShown = WaitFor([&] { return (splash = TopLevel(FormClass, L"FormSplash", true)) != nullptr; });
    Check(splashShown, "the splash is shown");
    if (splash)
        Check(Control(splash, TFormSplashIds::Image1) != nullptr, "the splash's picture");
    Check(WaitFor([] { return MainWindow() && IsWindowVisible(MainWindow()); }), "the main window is shown");
    Check(!TopLevel(FormClass, L"FormSplash", true), "the splash is hidden when the main window shows");
    // (Wine's HID bus may list the reader a moment after the tool's start:
    // its arrival then brings the window to "Attached".)
    Check(WaitFor([] { return Text(TForm1Ids::LabelStatus) == L"Attached"; }), "status",
          Text(TForm1Ids::LabelStatus));
    // What Wine's HID bus hands over of the virtual reader's strings: the
    // manufacturer and product as its own backend reads them.
    const std::wstring product = Text(TForm1Ids::LabelProduct);
    Check(!Text(TForm1Ids::LabelManufacturer).empty(), "manufacturer");
    Check(product.find(L"USB RFID Reader Ver: 1.7") != std::wstring::npos &&
              product.size() > 8 && product.compare(product.size() - 8, 8, L" (10000)") == 0,
          "product and factory number", product);
    Check(!Text(TForm1Ids::LabelProductionDate).empty(), "production date");
    Check(HasHeight(488), "full height", std::to_wstring(OuterHeight(MainWindow())));
    Check(PageShown(TForm1Ids::TabSheetOther), "the About page");
    CloseHandle(tool.hThread);
    CloseHandle(tool.hProcess);
}

void Pages()
{
    // The reader as the harness's state file has it: configuration byte
    // 0x2B (Enter, Uppercase, Sound ON, Decimal), keyboard on, device mode
    // 2, Before 81 07 04 05, After 42 00 28, Remove 10 00 E0 ... E7, prefix
    // "AB", card 12AB00.
    ShowPage(2); // Card Code
    Check(WaitFor([] { return PageShown(TForm1Ids::TabSheetCardCode); }), "Card Code page");
    Check(Checked(TForm1Ids::CheckBoxSound) && !Checked(TForm1Ids::CheckBoxLeaveAfterKey) &&
              !Checked(TForm1Ids::CheckBoxManager),
          "configuration bits shown");
    Check(Checked(TForm1Ids::RadioButtonUpercase) && Checked(TForm1Ids::RadioGroupASCIIDecimal), "case and decimal");
    Check(Checked(TForm1Ids::CheckBoxEnable), "keyboard enabled");
    SetCheck(TForm1Ids::CheckBoxSound, false);
    SetCheck(TForm1Ids::CheckBoxManager, true);
    Click(TForm1Ids::RadioButtonLowercase);
    Click(TForm1Ids::RadioGroupASCIIHexadecimal);
    Click(TForm1Ids::ButtonSetConfig);             // 0x11: Enter and Manager
    Click(TForm1Ids::SpeedButtonEnter);            // Enter off, written at once: 0x10
    SetCheck(TForm1Ids::CheckBoxEnable, false);    // written at once
    Select(TForm1Ids::ComboBoxSound, 3);           // "S_SPEC: Special"
    Click(TForm1Ids::ButtonPlaySound);             // sound 14

    ShowPage(1); // Before
    Check(WaitFor([] { return PageShown(TForm1Ids::TabSheetAdvancedBefore); }), "Before page");
    Check(Checked(TForm1Ids::CheckBoxBeforeRGUI) && Checked(TForm1Ids::CheckBoxBeforeLControl) &&
              !Checked(TForm1Ids::CheckBoxBeforeLShift),
          "Before modifiers 0x81");
    Check(Selected(TForm1Ids::ComboBoxBeforeKey1) == 4 && Selected(TForm1Ids::ComboBoxBeforeKey2) == 5 &&
              Selected(TForm1Ids::ComboBoxBeforeKey3) == 0,
          "Before keys a, b");
    Check(TextOf(Main(TForm1Ids::ComboBoxBeforeKey1)) == L"Keyboard a", "the key's name",
          TextOf(Main(TForm1Ids::ComboBoxBeforeKey1)));
    Click(TForm1Ids::ButtonClearBefore);
    SetCheck(TForm1Ids::CheckBoxBeforeLShift, true);
    Select(TForm1Ids::ComboBoxBeforeKey1, 29); // Keyboard z
    Click(TForm1Ids::ButtonSetBefore);           // 40 07 1d: Reserved kept

    ShowPage(4); // After
    Check(WaitFor([] { return PageShown(TForm1Ids::TabSheetAdvancedAfter); }), "After page");
    Check(Checked(TForm1Ids::CheckBoxAfterRAlt) && Checked(TForm1Ids::CheckBoxAfterLShift) &&
              Selected(TForm1Ids::ComboBoxAfterKey1) == 40,
          "After 42 .. 28");
    Click(TForm1Ids::ButtonAfterClear);
    Click(TForm1Ids::ButtonSetAfter); // all zero

    ShowPage(5); // Remove
    Check(WaitFor([] { return PageShown(TForm1Ids::TabSheetRemove); }), "Remove page");
    Check(Checked(TForm1Ids::CheckBoxRemoveLGUI) && Selected(TForm1Ids::ComboBoxRemoveKey1) == 211 &&
              Selected(TForm1Ids::ComboBoxRemoveKey6) == 218,
          "Remove 10 .. e0 .. e7");
    Select(TForm1Ids::ComboBoxRemoveKey6, 0);
    Click(TForm1Ids::ButtonRemoveSet); // 10 00 e0 00 00 00 00 00

    ShowPage(3); // Prefix / Sufix
    Check(WaitFor([] { return PageShown(TForm1Ids::TabSheetPreSuf); }), "Prefix / Sufix page");
    Check(Text(TForm1Ids::EditPrefix) == L"AB" && Text(TForm1Ids::EditSufix).empty(), "prefix and sufix",
          Text(TForm1Ids::EditPrefix));
    SetText(TForm1Ids::EditPrefix, L"XY1");
    SetText(TForm1Ids::EditSufix, L"LONGSUFFIX");
    Click(TForm1Ids::ButtonSetPrefixSufix); // the reader keeps six
    Check(Text(TForm1Ids::EditSufix) == L"LONGSU", "the sufix as the reader kept it", Text(TForm1Ids::EditSufix));

    ShowPage(7); // Device Mode
    Check(WaitFor([] { return PageShown(TForm1Ids::TabSheetDeviceMode); }), "Device Mode page");
    Check(Checked(TForm1Ids::RadioButtonDevModeAdvanced), "mode 2 shows advanced");
    Click(TForm1Ids::RadioButtonDevModeNormal);
    Click(TForm1Ids::Button1); // 0

    ShowPage(6); // Analyze
    Check(WaitFor([] { return PageShown(TForm1Ids::TabSheetAnalize); }), "Analyze page");
    Click(TForm1Ids::Read);
    Check(Text(TForm1Ids::MemoDecode) == L"1->12AB00", "the card read", Text(TForm1Ids::MemoDecode));
    Click(TForm1Ids::ButtonClear);
    Check(Text(TForm1Ids::MemoDecode).empty(), "the log cleared");
    ShowPage(0);
}

std::string ReadFile(const wchar_t *name)
{
    std::ifstream in(std::filesystem::path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Save(const std::wstring &file)
{
    Menu(TForm1Ids::SaveAs1);
    const std::vector<std::wstring> steps = FollowTransfers(L"Reading: Remove");
    Check(Contains(steps, L"Reading: Config") && Contains(steps, L"Reading: After"), "the upload's steps");
    AnswerFileDialog(file); // without ".rfc": the dialog adds it
    AnswerBox(L"All data will be read from USB RFID device and stored in a file!\nDo you want to do this?", IDOK);
    // Every key rewrites the file: the text is looked at once the last one
    // is there. The reader's settings as the harness's state file has them.
    const std::wstring saved = file + L".rfc";
    const std::string last = "[Remove]\r\nModifier=16\r\nReserved=0\r\nKey1=224\r\nKey2=0\r\nKey3=0\r\n"
                             "Key4=0\r\nKey5=0\r\nKey6=231\r\n";
    std::string text;
    Check(WaitFor([&] {
              text = ReadFile(saved.c_str());
              return text.find(last) != std::string::npos;
          }),
          "the file is written with the Remove section");
    Check(text.rfind("[Before]\r\nModifier=129\r\nReserved=7\r\nKey1=4\r\nKey2=5\r\n", 0) == 0,
          "the file's Before section", std::wstring(text.begin(), text.begin() + (text.size() < 60 ? text.size() : 60)));
    Check(text.find("[CardCode]\r\nConfByte=43\r\n") != std::string::npos, "the file's configuration byte");
}

void Open(const std::wstring &file)
{
    Menu(TForm1Ids::Open1);
    AnswerFileDialog(file);
    AnswerBox(L"Opening this file will set all the configuration on USB RFID device\n"
              L"All data on the device will be lost!\nDo you want to do this?",
              IDOK);
    // The download, then the upload that shows what the reader holds now.
    const std::vector<std::wstring> steps = FollowTransfers(L"Reading: Remove");
    Check(Contains(steps, L"Downloading: Config") && Contains(steps, L"Downloading: Remove"), "the download's steps");
    Check(Contains(steps, L"Reading: Before"), "the upload after it");
}

void Refuse(const std::wstring &file)
{
    Menu(TForm1Ids::Open1);
    AnswerFileDialog(file);
    AnswerBox(L"Opening this file will set all the configuration on USB RFID device\n"
              L"All data on the device will be lost!\nDo you want to do this?",
              IDOK);
    HWND box = nullptr;
    WaitFor([&] { return (box = SystemDialog(Title)) != nullptr; });
    const std::wstring text = box ? BoxText(box) : L"";
    Check(text.find(L"Nothing was written to the reader.") != std::wstring::npos, "the refusal", text);
    if (box)
        Press(box, IDOK);
    Check(!TopLevel(FormClass, L"Load", true), "no transfer");
}

void Second()
{
    HWND main = MainWindow();
    ShowWindow(main, SW_MINIMIZE);
    Check(WaitFor([&] { return IsIconic(main) != FALSE; }), "minimised first");
    const PROCESS_INFORMATION second = StartTool();
    const DWORD secondId = second.dwProcessId;
    // It shows nothing of its own and ends with 0.
    bool splash = false;
    const bool ended = WaitFor([&] {
        splash = splash || TopLevel(FormClass, L"FormSplash", true, secondId);
        return WaitForSingleObject(second.hProcess, 0) == WAIT_OBJECT_0;
    });
    DWORD code = 1;
    GetExitCodeProcess(second.hProcess, &code);
    Check(ended && code == 0, "the second start ends with 0", std::to_wstring(code));
    Check(!splash, "the second start shows no splash");
    Check(WaitFor([&] { return !IsIconic(main); }), "the first is restored");
    Check(WaitFor([&] { return GetForegroundWindow() == main; }), "the first comes to the foreground");
    CloseHandle(second.hThread);
    CloseHandle(second.hProcess);
}

// Sends the main window a WM_DEVICECHANGE as the system does: `header`
// null, or a header of the given device type. True when the tool took it.
bool SendDeviceChange(WPARAM event, const DEV_BROADCAST_HDR *header)
{
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(MainWindow(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(header), SMTO_NORMAL,
                               Patience, &answer) != 0;
}

// The handler of device notifications as the system's messages reach it:
// one with a device-interface header refreshes the status (which shows the
// About page again), one without a header or of another device type does
// nothing.
void Notify()
{
    DEV_BROADCAST_DEVICEINTERFACE_W hid{};
    hid.dbcc_size = sizeof hid;
    hid.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    const std::pair<const DEV_BROADCAST_HDR *, const char *> ignored[] = {
        {nullptr, "a notification without a header"},
        {reinterpret_cast<const DEV_BROADCAST_HDR *>(&volume), "a notification of a volume"},
    };
    for (const auto &[header, what] : ignored) {
        ShowPage(1);
        Check(WaitFor([] { return PageShown(TForm1Ids::TabSheetAdvancedBefore); }), "the Before page");
        Check(SendDeviceChange(DBT_DEVICEARRIVAL, header), what);
        Check(PageShown(TForm1Ids::TabSheetAdvancedBefore), what, L"refreshed the status");
    }
    Check(SendDeviceChange(DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<const DEV_BROADCAST_HDR *>(&hid)),
          "a removal of a HID interface");
    Check(WaitFor([] { return PageShown(TForm1Ids::TabSheetOther); }), "it refreshes the status: the About page");
    Check(Text(TForm1Ids::LabelStatus) == L"Attached", "still attached", Text(TForm1Ids::LabelStatus));
}

// After the reader was unplugged: the removal notification the system
// sends (a device-interface header) brings the window to "Not Attached" at
// the compact height; Save As then asks for a reader. Wine 8's HID bus
// delivers at most one removal and stops on the unplug, so the notification
// is sent here as the system would send it.
void Unplugged()
{
    DEV_BROADCAST_DEVICEINTERFACE_W hid{};
    hid.dbcc_size = sizeof hid;
    hid.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    Check(SendDeviceChange(DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<const DEV_BROADCAST_HDR *>(&hid)),
          "the removal of a HID interface");
    Check(WaitFor([] { return Text(TForm1Ids::LabelStatus) == L"Not Attached"; }), "Not Attached",
          Text(TForm1Ids::LabelStatus));
    Check(Text(TForm1Ids::LabelManufacturer).empty() && Text(TForm1Ids::LabelProduct).empty() &&
              Text(TForm1Ids::LabelProductionDate).empty(),
          "no identity");
    Check(WaitFor([] { return HasHeight(152); }), "compact height", std::to_wstring(OuterHeight(MainWindow())));
    Menu(TForm1Ids::SaveAs1);
    AnswerBox(L"Usb RFID Card Reader must be connected to upload configuration!", IDOK);
}

void Exit()
{
    HWND main = MainWindow();
    DWORD id = 0;
    GetWindowThreadProcessId(main, &id);
    HANDLE tool = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    Menu(TForm1Ids::Exit1);
    Check(tool && WaitForSingleObject(tool, Patience) == WAIT_OBJECT_0, "the tool ends");
    DWORD code = 1;
    if (tool)
        GetExitCodeProcess(tool, &code);
    Check(code == 0, "exit code 0", std::to_wstring(code));
    if (tool)
        CloseHandle(tool);
}

} // namespace

extern "C" int wmain(int argc, wchar_t **argv)
{
    SetProcessDPIAware();
    const std::wstring scenario = argc > 1 ? argv[1] : L"";
    const std::wstring file = argc > 2 ? argv[2] : L"";
    if (scenario != L"start" && scenario != L"launch" && !MainWindow()) {
        std::printf("FAILED: no Mardune window\n");
        return 1;
    }
    if (scenario == L"start")
        Start();
    else if (scenario == L"pages")
        Pages();
    else if (scenario == L"save")
        Save(file);
    else if (scenario == L"open")
        Open(file);
    else if (scenario == L"refuse")
        Refuse(file);
    else if (scenario == L"second")
        Second();
    else if (scenario == L"unplugged")
        Unplugged();
    else if (scenario == L"exit")
        Exit();
    else if (scenario == L"notify")
        Notify();
    else if (scenario == L"launch")
        Launch();
    else if (scenario == L"shoot")
        ShootAll(file);
    else {
        std::printf("usage: mardune_driver start|pages|save FILE|open FILE|refuse FILE|second|notify|unplugged|"
                    "exit|launch|shoot DIR\n");
        return 2;
    }
    std::printf("%ls: %d passed, %d failed\n", scenario.c_str(), Passed, Failed);
    return Failed != 0;
}
