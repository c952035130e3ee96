// The tool's controls on Windows: each one a window of the system's own
// classes (or of the binding's, for panels, pages and pictures), made by
// TForm::CreateFromDesign from a window's design. The pages use them only
// through the free functions at the end, which the Qt binding provides with
// the same names over Qt's widgets; the classes' other members are for the
// binding itself. No system header here: the pages include this one.
#pragma once

#include "Design.h"
#include "Text.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct HWND__;
struct HDC__;
struct HBRUSH__;
struct HBITMAP__;

using TNotifyEvent = std::function<void()>;
using TKeyEvent = std::function<void(uint16_t key)>; // the key's Windows virtual-key code

class TForm;

// Something a form owns: deleted with its owner, and taken out of the
// owner's list when deleted first.
class TComponent {
public:
    explicit TComponent(TComponent *owner, std::string name = {});
    virtual ~TComponent();
    TComponent(const TComponent &) = delete;
    TComponent &operator=(const TComponent &) = delete;

    const std::string &Name() const { return FName; }
    TComponent *Owner() const { return FOwner; }
    // The owned component of that name, or null.
    TComponent *FindComponent(std::string_view name) const;
    const std::vector<TComponent *> &Components() const { return FComponents; }
    // Deletes every owned component, last made first.
    void DestroyComponents();

private:
    TComponent *FOwner;
    std::string FName;
    std::vector<TComponent *> FComponents;
};

// A control of a form's design: its window, its design record, and what
// the form's window procedures hand on to it.
class TControl : public TComponent {
public:
    TControl(TForm *form, const TControlDesign &design);
    ~TControl() override;

    HWND__ *Handle() const { return FHandle; }
    const TControlDesign &Design() const { return FDesign; }
    TForm *Form() const { return FForm; }
    // The window that holds this control's window (a group box's children
    // lie in the group box's holder), and this control's place in it.
    HWND__ *Holder() const { return FHolder; }

    // Notifications from the window, on the user-interface thread.
    virtual void Command(unsigned code);
    virtual intptr_t Notify(const void *header);
    // The brush this control's own area is filled with (panels and pages;
    // others lie on their holder's).
    virtual HBRUSH__ *Background() const;
    // WM_CTLCOLOR*: the brush to fill the background with (colours set on
    // `dc`), null for the system's.
    virtual HBRUSH__ *Colour(HDC__ *dc);
    virtual void Draw(const void *drawItem);

    // Made by CreateFromDesign: the window and where it lies.
    void Attach(HWND__ *handle, HWND__ *holder);

    // The control below this one that it shows through to: the visible
    // picture under it, if any; filled into `dc` at this control's place.
    void PaintBackdrop(HDC__ *dc) const;
    // The brush of the backdrop, aligned to this control's origin in `dc`.
    HBRUSH__ *BackdropBrush(HDC__ *dc) const;

private:
    TForm *FForm;
    const TControlDesign &FDesign;
    HWND__ *FHandle = nullptr;
    HWND__ *FHolder = nullptr;
};

class TPanel : public TControl {
public:
    TPanel(TForm *form, const TControlDesign &design);
    ~TPanel() override;
    HBRUSH__ *Background() const override;

private:
    HBRUSH__ *FBrush = nullptr; // its design's colour, if it has one
};

class TGroupBox : public TControl {
public:
    using TControl::TControl;
};

class TPageControl;

class TTabSheet : public TControl {
public:
    using TControl::TControl;
    HBRUSH__ *Background() const override;
    TNotifyEvent OnShow;
    bool TabVisible = true;
    TPageControl *PageControl = nullptr;
};

class TPageControl : public TControl {
public:
    using TControl::TControl;
    intptr_t Notify(const void *header) override;

    void AddPage(TTabSheet *page);
    TTabSheet *ActivePage() const { return FActive; }
    // Makes `page` the active one (its tab must be shown): shows it and runs
    // its OnShow when it was not active yet.
    void SetActivePage(TTabSheet *page);
    void SetTabVisible(TTabSheet *page, bool visible);
    const std::vector<TTabSheet *> &Pages() const { return FPages; }
    // The page area, in the tab control's client coordinates.
    void PlacePage(TTabSheet *page) const;

private:
    void RebuildTabs();
    int TabOf(const TTabSheet *page) const; // -1 when hidden
    std::vector<TTabSheet *> FPages;
    TTabSheet *FActive = nullptr;
};

class TLabel : public TControl {
public:
    using TControl::TControl;
    void Command(unsigned code) override;
    HBRUSH__ *Colour(HDC__ *dc) override;
    TNotifyEvent OnClick;
};

class TImage : public TControl {
public:
    TImage(TForm *form, const TControlDesign &design);
    ~TImage() override;
    // The picture, premultiplied 32-bit, at the form's scale; null if none.
    HBITMAP__ *Bitmap() const { return FBitmap; }
    HBRUSH__ *Pattern() const { return FPattern; }
    void Paint(HDC__ *dc) const;

private:
    HBITMAP__ *FBitmap = nullptr;
    HBRUSH__ *FPattern = nullptr;
};

class TButtonControl : public TControl {
public:
    using TControl::TControl;
    void Command(unsigned code) override;
    HBRUSH__ *Colour(HDC__ *dc) override;
    TNotifyEvent OnClick;
};

class TButton : public TButtonControl {
public:
    using TButtonControl::TButtonControl;
};

class TSpeedButton : public TButtonControl {
public:
    using TButtonControl::TButtonControl;
    void Draw(const void *drawItem) override;
    bool Flat() const { return FFlat; }
    void SetFlat(bool flat);

private:
    bool FFlat = false;
    friend class TForm;
};

class TCheckBox : public TButtonControl {
public:
    using TButtonControl::TButtonControl;
    bool Checked() const;
    // Runs OnClick when the state changes, as a click would.
    void SetChecked(bool checked);
};

class TRadioButton : public TButtonControl {
public:
    using TButtonControl::TButtonControl;
    bool Checked() const;
    void SetChecked(bool checked); // unchecks the others of its group
};

class TComboBox : public TControl {
public:
    using TControl::TControl;
    void Command(unsigned code) override;
    TNotifyEvent OnChange;
};

class TEdit : public TControl {
public:
    using TControl::TControl;
    void Command(unsigned code) override;
    HBRUSH__ *Colour(HDC__ *dc) override;
    TNotifyEvent OnChange;
    TKeyEvent OnKeyDown;
};

class TMemo : public TEdit {
public:
    using TEdit::TEdit;
};

// An entry of the main menu (or a menu of it).
class TMenuItem : public TComponent {
public:
    TMenuItem(TComponent *owner, const char *name, int id) : TComponent(owner, name), Id(id) {}
    const int Id; // the command ID; 0 for a menu
    TNotifyEvent OnClick;
};

// A repeating timer whose ticks arrive on the user-interface thread, through
// the window of the form that owns it.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent *owner);
    ~TTimer() override;
    int Interval() const { return FInterval; }
    void SetInterval(int milliseconds);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    TNotifyEvent OnTimer;

private:
    void Apply();
    TForm *FForm;
    int FInterval = 1000;
    bool FEnabled = false;
};

// What the pages do with controls: the same names in the Qt binding.
TString Caption(const TLabel *label);
void SetCaption(TLabel *label, const TString &text);
TString Text(const TEdit *edit);
void SetText(TEdit *edit, const TString &text);
void Clear(TEdit *edit);
// Every typed letter becomes a capital.
void SetUpperCase(TEdit *edit);
void AddLine(TMemo *memo, const TString &line);
bool Checked(const TCheckBox *box);
void SetChecked(TCheckBox *box, bool checked);
bool Checked(const TRadioButton *button);
void SetChecked(TRadioButton *button, bool checked);
int ItemIndex(const TComboBox *list);   // -1: nothing selected
void SetItemIndex(TComboBox *list, int index); // no such entry: nothing selected
TString Text(const TComboBox *list);
int IndexOf(const TComboBox *list, const TString &item); // exact match, -1 if none
void AddItems(TComboBox *list, const TStringList &items);
bool Visible(const TControl *control);
void SetVisible(TControl *control, bool visible);
void SetFocus(TControl *control);
void Invalidate(TControl *control);
bool Flat(const TSpeedButton *button);
void SetFlat(TSpeedButton *button, bool flat);
bool TabVisible(const TTabSheet *page);
void SetTabVisible(TTabSheet *page, bool visible);
TTabSheet *ActivePage(const TPageControl *pages);
void SetActivePage(TPageControl *pages, TTabSheet *page);
int Interval(const TTimer *timer);
void SetInterval(TTimer *timer, int milliseconds);
bool Enabled(const TTimer *timer);
void SetEnabled(TTimer *timer, bool enabled);

void OnClick(TButtonControl *button, TNotifyEvent handler);
void OnClick(TLabel *label, TNotifyEvent handler);
void OnClick(TMenuItem *item, TNotifyEvent handler);
void OnChange(TEdit *edit, TNotifyEvent handler);
void OnChange(TComboBox *list, TNotifyEvent handler);
void OnKeyDown(TEdit *edit, TKeyEvent handler);
void OnShow(TTabSheet *page, TNotifyEvent handler);
void OnTimer(TTimer *timer, TNotifyEvent handler);
