// Forms on Windows: a top-level window built from a design (Design.h) with
// its controls, main menu and keyboard shortcuts; modal dialogs; and the
// application's message loop. The Qt binding has a Forms.h of its own with
// the same names.
#pragma once

#include "Controls.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

struct HFONT__;
struct HACCEL__;
struct HMENU__;

enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

// A window message handed to a form's handler: the result when handled.
struct TMessage {
    unsigned Msg;
    uintptr_t WParam;
    intptr_t LParam;
};
using TMessageHandler = std::function<bool(const TMessage &message, intptr_t &result)>;

class TForm : public TComponent {
public:
    explicit TForm(TComponent *owner = nullptr);
    ~TForm() override;

    // Builds the window from its design (the generated Ui class).
    template <typename TUi>
    void LoadDesign(TUi &ui)
    {
        ui.setupUi(this);
    }
    // Creates the window and its controls (in the table's order), then the
    // menus and their entries: the components in that order.
    std::vector<TComponent *> CreateFromDesign(const TFormDesign &design);

    HWND__ *Handle() const { return FHandle; }
    const TFormDesign &Design() const { return *FDesign; }
    // Design pixels at the screen's resolution.
    int Scale(int pixels) const;

    void Show();
    void Hide();
    bool Visible() const;
    // The window's outer height (frame, caption and menu included), in
    // design pixels.
    void SetOuterHeight(int pixels);
    // Centred on the screen, or on `over` (a dialog on its owner).
    void Centre(const TForm *over = nullptr);

    // Another component's interest in one window message (device
    // notifications, a file from a second start): tried before the form's
    // own handling.
    void AddMessageHandler(unsigned msg, TMessageHandler handler);

    // The keyboard shortcuts of the main menu, for the message loop.
    HACCEL__ *Accelerators() const { return FAccelerators; }

    // The binding's drawing resources.
    HFONT__ *Font(bool bold) const { return bold ? FBoldFont : FFont; }
    HBRUSH__ *BackgroundBrush() const { return FBackground; }
    HBRUSH__ *PageBrush() const { return FPageBrush; }
    HWND__ *ToolTips() const { return FToolTips; }

    // Called by the window procedures.
    intptr_t HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);
    void RegisterTimer(TTimer *timer, bool running);
    void RegisterControl(TControl *control);
    TControl *ControlOfWindow(HWND__ *window) const;
    // No more events reach the handlers: the form is going.
    void StopEvents();

protected:
    // The window was shown (not on a restore from the task bar).
    virtual void DoShow() {}
    // The user asks to close the window; false keeps it open.
    virtual bool CloseQuery() { return true; }
    // The window was closed (after CloseQuery): the main form ends the
    // application, a modal dialog ends with mrCancel.
    virtual void DoClose();

private:
    HWND__ *CreateControlWindow(TControl &control, const TControlDesign &design, HWND__ *holder, int x, int y);
    void CreateMenus(const TFormDesign &design, std::vector<TComponent *> &made);

    const TFormDesign *FDesign = nullptr;
    HWND__ *FHandle = nullptr;
    HFONT__ *FFont = nullptr;
    HFONT__ *FBoldFont = nullptr;
    HBRUSH__ *FBackground = nullptr;
    HBRUSH__ *FPageBrush = nullptr;
    HWND__ *FToolTips = nullptr;
    HACCEL__ *FAccelerators = nullptr;
    HMENU__ *FMenu = nullptr;
    int FDpi = 96;
    bool FStopped = false;
    std::map<int, TMenuItem *> FMenuItems;
    std::map<HWND__ *, TControl *> FControls;
    std::set<TTimer *> FTimers;
    std::multimap<unsigned, TMessageHandler> FMessageHandlers;
};

// A form shown modally: its owner is disabled until a modal result ends it.
class TDialog : public TForm {
public:
    using TForm::TForm;
    int ShowModal();
    int ModalResult() const { return FModalResult; }
    // Anything but mrNone closes the dialog.
    void SetModalResult(int result) { FModalResult = result; }

protected:
    void DoClose() override;

private:
    int FModalResult = mrNone;
    bool FRunning = false;
};

// The application: its title (message box captions), its main form (the
// owner of dialogs, whose closing ends the loop) and its message loop.
void SetApplicationTitle(const TString &title);
// The command line as the system splits it, the program first.
TStringList ApplicationArguments();
const TString &ApplicationTitle();
void SetMainForm(TForm *form);
TForm *MainForm();
// Runs until TerminateApplication; the exit code.
int RunApplication();
// Handles every message waiting, then returns.
void ProcessMessages();
void TerminateApplication();

// Runs an event handler: an error that escapes it is shown by the handler
// for unexpected errors, and the loop goes on.
void Invoke(const TNotifyEvent &handler);

// Runs `action` on the message loop, after the current message's handling;
// dropped when `context` is destroyed first.
void Later(TComponent *context, TNotifyEvent action);
// True while a modal window of the tool is open: a message box, a
// confirmation, a file dialog or a modal dialog.
bool DialogOpen();
// Runs `action` on the message loop once the modal window that is open now
// has closed (another may be open by then: ask DialogOpen again).
void AfterDialogCloses(TComponent *context, TNotifyEvent action);
// Drops what waits for `context` (its destructor calls this).
void ForgetActionsOf(TComponent *context);
// Marks a modal window of the tool as open for as long as it lives.
class TModalScope {
public:
    TModalScope();
    ~TModalScope();
    TModalScope(const TModalScope &) = delete;
    TModalScope &operator=(const TModalScope &) = delete;
};

// The form's control of that design name and type, or null.
template <typename T>
T *FindControl(TForm *form, const char *name)
{
    return dynamic_cast<T *>(form->FindComponent(name));
}

// The control a window of a form belongs to, or null (the system's own
// helper windows, a combo box's edit say, belong to none).
TControl *ControlOf(HWND__ *window);
// The background of a window that holds controls (a form, panel or page).
HBRUSH__ *HolderBackground(HWND__ *holder);
