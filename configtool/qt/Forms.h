// Forms in the Qt binding: the main window and the modal dialog the pages'
// classes derive from, loaded from their designs by uic, and the
// application. The Win32 binding has a Forms.h of its own with the same
// names.
#pragma once

#include "Controls.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>

class QMoveEvent;
class QShowEvent;

enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

// A main window: a fixed tool window, centred on the screen when first
// shown, whose outer height (frame included) the tool sets.
class TForm : public QMainWindow {
public:
    explicit TForm(QWidget *parent = nullptr);

    // Builds the window from its design (the uic class).
    template <typename TUi>
    void LoadDesign(TUi &ui)
    {
        ui.setupUi(this);
        DesignLoaded();
    }

    void SetOuterHeight(int pixels);
    void Show() { show(); }
    // No more events reach the handlers: the form is going.
    void StopEvents();

protected:
    // The window was shown by the tool (not on a restore by the system).
    virtual void DoShow() {}

    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void DesignLoaded();
    void ApplyOuterHeight();

    bool FShownBefore = false;
    int FOuterHeight = 0; // the outer height last set, 0 before any
};

// A modal dialog of a fixed size, centred on its owner.
class TDialog : public QDialog {
public:
    explicit TDialog(QWidget *owner);

    template <typename TUi>
    void LoadDesign(TUi &ui)
    {
        ui.setupUi(this);
        setFixedSize(size());
    }

    int ShowModal() { return exec(); }
    // Anything but mrNone closes the dialog.
    void SetModalResult(int result) { done(result); }
    int ModalResult() const { return result(); }
    void StopEvents();

protected:
    // The user asks to close the dialog (Escape, the close button): false
    // keeps it open.
    virtual bool CloseQuery() { return true; }
    void reject() override;
};

// The application: its title (the caption of message boxes), its loop,
// and the handler of errors that no handler of the tool catches (an
// exception that escapes an event handler is shown and the loop goes on).
class TApplication : public QApplication {
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

void SetApplicationTitle(const TString &title);
// The command line, the program first.
TStringList ApplicationArguments();
TString ApplicationTitle();
// Ends the event loop after the current message.
void TerminateApplication();
// Handles the events waiting, then returns.
void ProcessMessages();

// True while a modal window of the tool is open: a message box, a
// confirmation, a file dialog or the transfer dialog.
bool DialogOpen();
// Runs `action` on the event loop once the modal window that is open now
// has closed (another may be open by then: ask DialogOpen again). Dropped
// when `context` is destroyed first.
void AfterDialogCloses(QObject *context, TNotifyEvent action);
// Runs `action` on the event loop, after the current event's handling.
void Later(QObject *context, TNotifyEvent action);

// The form's control of that design name and type, or null.
template <typename T>
T *FindControl(QWidget *form, const char *name)
{
    return form->findChild<T *>(QString::fromLatin1(name));
}
