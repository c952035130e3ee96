#include "Controls.h"

#include "Forms.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

// --- components -----------------------------------------------------------

TComponent::TComponent(TComponent *owner, std::string name) : FOwner(owner), FName(std::move(name))
{
    if (FOwner)
        FOwner->FComponents.push_back(this);
}

TComponent::~TComponent()
{
    ForgetActionsOf(this);
    DestroyComponents();
    if (FOwner) {
        auto &siblings = FOwner->FComponents;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

TComponent *TComponent::FindComponent(std::string_view name) const
{
    for (TComponent *component : FComponents)
        if (component->Name() == name)
            return component;
    return nullptr;
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty())
        delete FComponents.back(); // takes itself out of the list
}

// --- controls ---------------------------------------------------------------

TControl::TControl(TForm *form, const TControlDesign &design) : TComponent(form, design.Name), FForm(form), FDesign(design)
{
}

TControl::~TControl() = default;

void TControl::Attach(HWND__ *handle, HWND__ *holder)
{
    FHandle = handle;
    FHolder = holder;
    // The binding's own window classes find their control here; the
    // system's classes are left alone.
    switch (FDesign.Kind) {
    case TControlKind::Panel:
    case TControlKind::TabSheet:
    case TControlKind::Image:
        SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        break;
    default:
        break;
    }
}

void TControl::Command(unsigned) {}

intptr_t TControl::Notify(const void *)
{
    return 0;
}

HBRUSH__ *TControl::Background() const
{
    return HolderBackground(FHolder);
}

HBRUSH__ *TControl::Colour(HDC__ *)
{
    return nullptr;
}

void TControl::Draw(const void *) {}

namespace {

// The visible picture of the same holder that lies under all of `control`.
const TImage *PictureUnder(const TControl &control)
{
    RECT mine;
    GetWindowRect(control.Handle(), &mine);
    const TImage *found = nullptr;
    for (TComponent *component : control.Form()->Components()) {
        const auto *image = dynamic_cast<const TImage *>(component);
        if (!image || image == &control || image->Holder() != control.Holder() || !image->Pattern() ||
            !IsWindowVisible(image->Handle()))
            continue;
        RECT area;
        GetWindowRect(image->Handle(), &area);
        if (mine.left >= area.left && mine.top >= area.top && mine.right <= area.right && mine.bottom <= area.bottom)
            found = image; // the last made lies on top
    }
    return found;
}

} // namespace

HBRUSH__ *TControl::BackdropBrush(HDC__ *dc) const
{
    const TImage *picture = PictureUnder(*this);
    if (!picture)
        return HolderBackground(FHolder);
    RECT mine, area;
    GetWindowRect(FHandle, &mine);
    GetWindowRect(picture->Handle(), &area);
    SetBrushOrgEx(dc, area.left - mine.left, area.top - mine.top, nullptr);
    return picture->Pattern();
}

void TControl::PaintBackdrop(HDC__ *dc) const
{
    RECT area;
    GetClientRect(FHandle, &area);
    FillRect(dc, &area, BackdropBrush(dc));
}

TPanel::TPanel(TForm *form, const TControlDesign &design) : TControl(form, design)
{
    if (design.Background >= 0)
        FBrush = CreateSolidBrush(RGB((design.Background >> 16) & 0xFF, (design.Background >> 8) & 0xFF,
                                      design.Background & 0xFF));
}

TPanel::~TPanel()
{
    if (FBrush)
        DeleteObject(FBrush);
}

HBRUSH__ *TPanel::Background() const
{
    return FBrush ? FBrush : HolderBackground(Holder());
}

HBRUSH__ *TTabSheet::Background() const
{
    return Form()->PageBrush();
}

// --- page control -------------------------------------------------------

void TPageControl::AddPage(TTabSheet *page)
{
    page->PageControl = this;
    FPages.push_back(page);
    RebuildTabs();
}

int TPageControl::TabOf(const TTabSheet *page) const
{
    int tab = 0;
    for (const TTabSheet *candidate : FPages) {
        if (!candidate->TabVisible)
            continue;
        if (candidate == page)
            return tab;
        ++tab;
    }
    return -1;
}

void TPageControl::RebuildTabs()
{
    SendMessageW(Handle(), TCM_DELETEALLITEMS, 0, 0);
    int tab = 0;
    for (TTabSheet *page : FPages) {
        if (!page->TabVisible)
            continue;
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t *>(page->Design().Text);
        SendMessageW(Handle(), TCM_INSERTITEMW, static_cast<WPARAM>(tab++), reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(TabOf(FActive)), 0);
    // The rows of tabs may have changed: the pages' area with them.
    for (TTabSheet *page : FPages)
        PlacePage(page);
}

void TPageControl::PlacePage(TTabSheet *page) const
{
    RECT area;
    GetClientRect(Handle(), &area);
    SendMessageW(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    SetWindowPos(page->Handle(), HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOACTIVATE);
}

void TPageControl::SetActivePage(TTabSheet *page)
{
    if (!page || page == FActive)
        return;
    TTabSheet *previous = FActive;
    FActive = page;
    SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(TabOf(page)), 0);
    PlacePage(page);
    ShowWindow(page->Handle(), SW_SHOW);
    if (previous)
        ShowWindow(previous->Handle(), SW_HIDE);
    Invoke(page->OnShow);
}

void TPageControl::SetTabVisible(TTabSheet *page, bool visible)
{
    if (page->TabVisible == visible)
        return;
    page->TabVisible = visible;
    RebuildTabs();
    if (!visible && page == FActive) {
        // The next page whose tab shows, else the one before.
        const auto at = std::find(FPages.begin(), FPages.end(), page);
        for (auto it = at; it != FPages.end(); ++it)
            if ((*it)->TabVisible)
                return SetActivePage(*it);
        for (auto it = at; it != FPages.begin();)
            if ((*--it)->TabVisible)
                return SetActivePage(*it);
    }
}

intptr_t TPageControl::Notify(const void *header)
{
    const auto *notification = static_cast<const NMHDR *>(header);
    if (notification->code == TCN_SELCHANGE) {
        const int tab = static_cast<int>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
        for (TTabSheet *page : FPages)
            if (page->TabVisible && TabOf(page) == tab) {
                SetActivePage(page);
                break;
            }
    }
    return 0;
}

// --- labels and pictures ----------------------------------------------------

namespace {

COLORREF TextColour(const TControlDesign &design)
{
    const int32_t rgb = design.TextColor;
    return rgb >= 0 ? RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF) : GetSysColor(COLOR_WINDOWTEXT);
}

} // namespace

void TLabel::Command(unsigned code)
{
    if (code == STN_CLICKED)
        Invoke(OnClick);
}

HBRUSH__ *TLabel::Colour(HDC__ *dc)
{
    SetTextColor(dc, TextColour(Design()));
    SetBkMode(dc, TRANSPARENT);
    return BackdropBrush(dc);
}

namespace {

// A 32-bit DIB section of `width` x `height`, top-down; its bits in `bits`.
HBITMAP CreateDib(HDC dc, int width, int height, void **bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// The picture resource as a premultiplied 32-bit DIB of its size times the
// form's scale; null when there is no such resource.
HBITMAP LoadPicture(const wchar_t *name, const TForm &form)
{
    HBITMAP loaded = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!loaded)
        return nullptr;
    DIBSECTION section{};
    GetObjectW(loaded, sizeof section, &section);
    const int width = section.dsBm.bmWidth, height = section.dsBm.bmHeight;
    const bool alpha = section.dsBm.bmBitsPixel == 32;
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    void *bits = nullptr;
    const int scaledWidth = form.Scale(width), scaledHeight = form.Scale(height);
    HBITMAP picture = CreateDib(screen, scaledWidth, scaledHeight, &bits);
    if (picture && bits) {
        HGDIOBJ oldFrom = SelectObject(from, loaded);
        HGDIOBJ oldTo = SelectObject(to, picture);
        SetStretchBltMode(to, alpha ? COLORONCOLOR : HALFTONE);
        StretchBlt(to, 0, 0, scaledWidth, scaledHeight, from, 0, 0, width, height, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
        GdiFlush();
        auto *pixel = static_cast<uint8_t *>(bits);
        for (int i = 0; i < scaledWidth * scaledHeight; ++i, pixel += 4) {
            const unsigned a = alpha ? pixel[3] : 255u;
            pixel[0] = static_cast<uint8_t>(pixel[0] * a / 255);
            pixel[1] = static_cast<uint8_t>(pixel[1] * a / 255);
            pixel[2] = static_cast<uint8_t>(pixel[2] * a / 255);
            pixel[3] = static_cast<uint8_t>(a);
        }
    }
    DeleteDC(from);
    DeleteDC(to);
    ReleaseDC(nullptr, screen);
    DeleteObject(loaded);
    return picture;
}

} // namespace

TImage::TImage(TForm *form, const TControlDesign &design) : TControl(form, design)
{
    if (design.Picture) {
        FBitmap = LoadPicture(design.Picture, *form);
        if (FBitmap)
            FPattern = CreatePatternBrush(FBitmap);
    }
}

TImage::~TImage()
{
    if (FPattern)
        DeleteObject(FPattern);
    if (FBitmap)
        DeleteObject(FBitmap);
}

void TImage::Paint(HDC__ *dc) const
{
    RECT area;
    GetClientRect(Handle(), &area);
    FillRect(dc, &area, HolderBackground(Holder()));
    if (!FBitmap)
        return;
    BITMAP info{};
    GetObjectW(FBitmap, sizeof info, &info);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, FBitmap);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const int x = Design().Centred ? (area.right - info.bmWidth) / 2 : 0;
    const int y = Design().Centred ? (area.bottom - info.bmHeight) / 2 : 0;
    AlphaBlend(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, info.bmWidth, info.bmHeight, blend);
    SelectObject(source, old);
    DeleteDC(source);
}

// --- buttons ----------------------------------------------------------------

void TButtonControl::Command(unsigned code)
{
    if (code == BN_CLICKED)
        Invoke(OnClick);
}

HBRUSH__ *TButtonControl::Colour(HDC__ *dc)
{
    SetTextColor(dc, TextColour(Design()));
    SetBkMode(dc, TRANSPARENT);
    return BackdropBrush(dc);
}

void TSpeedButton::Draw(const void *drawItem)
{
    const auto *item = static_cast<const DRAWITEMSTRUCT *>(drawItem);
    RECT area = item->rcItem;
    PaintBackdrop(item->hDC);
    const bool pressed = (item->itemState & ODS_SELECTED) != 0;
    // Raised: a bevel as a speed button draws it; flat: nothing until pressed.
    if (pressed)
        DrawEdge(item->hDC, &area, BDR_SUNKENOUTER, BF_RECT);
    else if (!FFlat)
        DrawEdge(item->hDC, &area, EDGE_RAISED, BF_RECT);
}

void TSpeedButton::SetFlat(bool flat)
{
    FFlat = flat;
    InvalidateRect(Handle(), nullptr, FALSE);
}

bool TCheckBox::Checked() const
{
    return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool checked)
{
    if (Checked() == checked)
        return;
    SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    Invoke(OnClick);
}

bool TRadioButton::Checked() const
{
    return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TRadioButton::SetChecked(bool checked)
{
    if (checked)
        for (TComponent *component : Form()->Components())
            if (auto *other = dynamic_cast<TRadioButton *>(component);
                other && other != this && other->Design().Parent == Design().Parent)
                SendMessageW(other->Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// --- lists and edits --------------------------------------------------------

void TComboBox::Command(unsigned code)
{
    if (code == CBN_SELCHANGE || code == CBN_EDITCHANGE)
        Invoke(OnChange);
}

void TEdit::Command(unsigned code)
{
    if (code == EN_CHANGE)
        Invoke(OnChange);
}

HBRUSH__ *TEdit::Colour(HDC__ *dc)
{
    // A read-only edit asks as a static control would: it keeps the
    // window's colours all the same.
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return GetSysColorBrush(COLOR_WINDOW);
}

// --- timers -----------------------------------------------------------------

namespace {

TForm *FormOwning(TComponent *component)
{
    for (; component; component = component->Owner())
        if (auto *form = dynamic_cast<TForm *>(component))
            return form;
    return nullptr;
}

} // namespace

TTimer::TTimer(TComponent *owner) : TComponent(owner), FForm(FormOwning(owner)) {}

TTimer::~TTimer()
{
    if (FForm)
        FForm->RegisterTimer(this, false);
}

void TTimer::SetInterval(int milliseconds)
{
    FInterval = milliseconds > 0 ? milliseconds : 1;
    Apply();
}

void TTimer::SetEnabled(bool enabled)
{
    FEnabled = enabled;
    Apply();
}

void TTimer::Apply()
{
    if (FForm)
        FForm->RegisterTimer(this, FEnabled);
}

// --- what the pages use -----------------------------------------------------

namespace {

TString WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    TString text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

} // namespace

TString Caption(const TLabel *label)
{
    return WindowText(label->Handle());
}

void SetCaption(TLabel *label, const TString &text)
{
    SetWindowTextW(label->Handle(), text.c_str());
    // A label over a picture has no background of its own to erase with.
    RECT area;
    GetWindowRect(label->Handle(), &area);
    MapWindowPoints(nullptr, label->Holder(), reinterpret_cast<POINT *>(&area), 2);
    InvalidateRect(label->Holder(), &area, TRUE);
}

TString Text(const TEdit *edit)
{
    return WindowText(edit->Handle());
}

void SetText(TEdit *edit, const TString &text)
{
    SetWindowTextW(edit->Handle(), text.c_str());
}

void Clear(TEdit *edit)
{
    SetWindowTextW(edit->Handle(), L"");
}

void SetUpperCase(TEdit *edit)
{
    SetWindowLongPtrW(edit->Handle(), GWL_STYLE, GetWindowLongPtrW(edit->Handle(), GWL_STYLE) | ES_UPPERCASE);
}

void AddLine(TMemo *memo, const TString &line)
{
    const int length = GetWindowTextLengthW(memo->Handle());
    const TString text = (length > 0 ? L"\r\n" : L"") + line;
    SendMessageW(memo->Handle(), EM_SETSEL, static_cast<WPARAM>(length), length);
    SendMessageW(memo->Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(memo->Handle(), EM_SCROLLCARET, 0, 0);
}

bool Checked(const TCheckBox *box)
{
    return box->Checked();
}

void SetChecked(TCheckBox *box, bool checked)
{
    box->SetChecked(checked);
}

bool Checked(const TRadioButton *button)
{
    return button->Checked();
}

void SetChecked(TRadioButton *button, bool checked)
{
    button->SetChecked(checked);
}

int ItemIndex(const TComboBox *list)
{
    return static_cast<int>(SendMessageW(list->Handle(), CB_GETCURSEL, 0, 0));
}

void SetItemIndex(TComboBox *list, int index)
{
    SendMessageW(list->Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

TString Text(const TComboBox *list)
{
    return WindowText(list->Handle());
}

int IndexOf(const TComboBox *list, const TString &item)
{
    const int count = static_cast<int>(SendMessageW(list->Handle(), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<int>(SendMessageW(list->Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0));
        if (length != static_cast<int>(item.size()))
            continue;
        TString text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(list->Handle(), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        if (text == item) // exact: CB_FINDSTRINGEXACT ignores case
            return i;
    }
    return -1;
}

void AddItems(TComboBox *list, const TStringList &items)
{
    HWND window = list->Handle();
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    SendMessageW(window, CB_INITSTORAGE, items.size(), static_cast<LPARAM>(items.size() * 32 * sizeof(wchar_t)));
    for (const TString &item : items)
        SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
}

bool Visible(const TControl *control)
{
    return IsWindowVisible(control->Handle()) != FALSE;
}

void SetVisible(TControl *control, bool visible)
{
    ShowWindow(control->Handle(), visible ? SW_SHOWNA : SW_HIDE);
    // What lies on a picture shows the new one through.
    if (control->Design().Kind == TControlKind::Image)
        InvalidateRect(control->Holder(), nullptr, TRUE);
}

void SetFocus(TControl *control)
{
    ::SetFocus(control->Handle());
}

void Invalidate(TControl *control)
{
    RedrawWindow(control->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool Flat(const TSpeedButton *button)
{
    return button->Flat();
}

void SetFlat(TSpeedButton *button, bool flat)
{
    button->SetFlat(flat);
}

bool TabVisible(const TTabSheet *page)
{
    return page->TabVisible;
}

void SetTabVisible(TTabSheet *page, bool visible)
{
    if (page->PageControl)
        page->PageControl->SetTabVisible(page, visible);
}

TTabSheet *ActivePage(const TPageControl *pages)
{
    return pages->ActivePage();
}

void SetActivePage(TPageControl *pages, TTabSheet *page)
{
    pages->SetActivePage(page);
}

int Interval(const TTimer *timer)
{
    return timer->Interval();
}

void SetInterval(TTimer *timer, int milliseconds)
{
    timer->SetInterval(milliseconds);
}

bool Enabled(const TTimer *timer)
{
    return timer->Enabled();
}

void SetEnabled(TTimer *timer, bool enabled)
{
    timer->SetEnabled(enabled);
}

void OnClick(TButtonControl *button, TNotifyEvent handler)
{
    button->OnClick = std::move(handler);
}

void OnClick(TLabel *label, TNotifyEvent handler)
{
    label->OnClick = std::move(handler);
}

void OnClick(TMenuItem *item, TNotifyEvent handler)
{
    item->OnClick = std::move(handler);
}

void OnChange(TEdit *edit, TNotifyEvent handler)
{
    edit->OnChange = std::move(handler);
}

void OnChange(TComboBox *list, TNotifyEvent handler)
{
    list->OnChange = std::move(handler);
}

void OnKeyDown(TEdit *edit, TKeyEvent handler)
{
    edit->OnKeyDown = std::move(handler);
}

void OnShow(TTabSheet *page, TNotifyEvent handler)
{
    page->OnShow = std::move(handler);
}

void OnTimer(TTimer *timer, TNotifyEvent handler)
{
    timer->OnTimer = std::move(handler);
}
