#include "Forms.h"

#include "ToolkitDialogs.h"
#include "UnexpectedError.h"

#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>
#include <shellapi.h>

#include <cwctype>
#include <stdexcept>

namespace {

const wchar_t *const FormClass = L"MarduneForm";
const wchar_t *const HolderClass = L"MardunePanel";
const wchar_t *const ImageClass = L"MarduneImage";
constexpr int FormWord = 0; // the TForm of a form window, in its extra bytes

TForm *FormOf(HWND window)
{
    wchar_t name[32];
    if (!window || !GetClassNameW(window, name, 32) || lstrcmpW(name, FormClass) != 0)
        return nullptr;
    return reinterpret_cast<TForm *>(GetWindowLongPtrW(window, FormWord));
}

LRESULT CALLBACK FormProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        const auto *create = reinterpret_cast<const CREATESTRUCTW *>(lParam);
        SetWindowLongPtrW(window, FormWord, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    TForm *form = reinterpret_cast<TForm *>(GetWindowLongPtrW(window, FormWord));
    if (!form || !form->Handle())
        return DefWindowProcW(window, msg, wParam, lParam);
    return form->HandleMessage(msg, wParam, lParam);
}

// What panels, pages and forms do alike for the controls they hold:
// notifications, colours, owner drawing, the hand cursor of links, and
// their own background. False: not handled here.
bool HolderMessage(TForm &form, HWND holder, HBRUSH background, UINT msg, WPARAM wParam, LPARAM lParam,
                   LRESULT &result)
{
    switch (msg) {
    case WM_COMMAND:
        if (lParam) {
            if (TControl *control = ControlOf(reinterpret_cast<HWND>(lParam))) {
                control->Command(HIWORD(wParam));
                result = 0;
                return true;
            }
        }
        return false;
    case WM_NOTIFY: {
        const auto *header = reinterpret_cast<const NMHDR *>(lParam);
        if (TControl *control = ControlOf(header->hwndFrom)) {
            result = control->Notify(header);
            return true;
        }
        return false;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        if (TControl *control = ControlOf(reinterpret_cast<HWND>(lParam))) {
            if (HBRUSH brush = control->Colour(reinterpret_cast<HDC>(wParam))) {
                result = reinterpret_cast<LRESULT>(brush);
                return true;
            }
        }
        if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) {
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            result = reinterpret_cast<LRESULT>(background);
            return true;
        }
        return false;
    case WM_DRAWITEM: {
        const auto *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (TControl *control = ControlOf(item->hwndItem)) {
            control->Draw(item);
            result = TRUE;
            return true;
        }
        return false;
    }
    case WM_SETCURSOR:
        if (TControl *control = ControlOf(reinterpret_cast<HWND>(wParam)); control && control->Design().HandCursor) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            result = TRUE;
            return true;
        }
        return false;
    case WM_ERASEBKGND: {
        RECT area;
        GetClientRect(holder, &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, background);
        result = TRUE;
        return true;
    }
    default:
        (void)form;
        return false;
    }
}

// Panels and pages: their control is in GWLP_USERDATA.
LRESULT CALLBACK HolderProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto *self = reinterpret_cast<TControl *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    LRESULT result = 0;
    if (self && self->Form() && HolderMessage(*self->Form(), window, self->Background(), msg, wParam, lParam, result))
        return result;
    return DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT CALLBACK ImageProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto *image = reinterpret_cast<TImage *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (image)
            image->Paint(dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    default:
        return DefWindowProcW(window, msg, wParam, lParam);
    }
}

void RegisterClasses(HINSTANCE module)
{
    static bool registered = false;
    if (registered)
        return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = FormProc;
    form.cbWndExtra = sizeof(LONG_PTR);
    form.hInstance = module;
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hIcon = LoadIconW(module, L"MAINICON");
    form.hIconSm = static_cast<HICON>(LoadImageW(module, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), 0));
    form.lpszClassName = FormClass;
    WNDCLASSEXW holder{};
    holder.cbSize = sizeof holder;
    holder.lpfnWndProc = HolderProc;
    holder.hInstance = module;
    holder.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    holder.lpszClassName = HolderClass;
    WNDCLASSEXW image = holder;
    image.lpfnWndProc = ImageProc;
    image.lpszClassName = ImageClass;
    if (!RegisterClassExW(&form) || !RegisterClassExW(&holder) || !RegisterClassExW(&image))
        throw std::runtime_error("Cannot register the window classes");
    registered = true;
}

// "Ctrl+O" and the like: the accelerator, false when it is none.
bool ParseShortcut(const std::wstring &text, ACCEL &accel)
{
    accel.fVirt = FVIRTKEY;
    std::wstring rest = text;
    const std::pair<const wchar_t *, BYTE> modifiers[] = {{L"Ctrl+", FCONTROL}, {L"Shift+", FSHIFT}, {L"Alt+", FALT}};
    for (bool found = true; found;) {
        found = false;
        for (const auto &[prefix, flag] : modifiers)
            if (rest.rfind(prefix, 0) == 0) {
                accel.fVirt |= flag;
                rest.erase(0, wcslen(prefix));
                found = true;
            }
    }
    if (rest.size() == 1 && std::iswalnum(rest[0])) {
        accel.key = static_cast<WORD>(std::towupper(rest[0]));
        return true;
    }
    if (rest.size() >= 2 && rest[0] == L'F') {
        const int number = _wtoi(rest.c_str() + 1);
        if (number >= 1 && number <= 24) {
            accel.key = static_cast<WORD>(VK_F1 + number - 1);
            return true;
        }
    }
    return false;
}

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

COLORREF ToColorRef(int32_t rgb)
{
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

struct TPendingAction {
    TComponent *Context;
    TNotifyEvent Action;
};

// The application's state: one per process, on its user-interface thread.
struct TApplicationState {
    TString Title;
    TForm *MainForm = nullptr;
    bool Terminated = false;
    HWND LaterWindow = nullptr;                              // runs the actions handed to Later
    std::vector<TPendingAction> Later;                       // waiting for it, oldest first
    std::vector<std::vector<TPendingAction>> AfterModal;     // per open modal window, innermost last
};

TApplicationState &Application()
{
    static TApplicationState state;
    return state;
}

constexpr UINT RunLaterMessage = WM_APP + 1;

LRESULT CALLBACK LaterProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != RunLaterMessage)
        return DefWindowProcW(window, msg, wParam, lParam);
    // The ones waiting now; those they hand on wait for the next message.
    std::vector<TPendingAction> due;
    due.swap(Application().Later);
    for (TPendingAction &pending : due)
        if (pending.Context) // (null: its context has gone)
            Invoke(pending.Action);
    return 0;
}

HWND LaterWindow()
{
    TApplicationState &app = Application();
    if (!app.LaterWindow) {
        WNDCLASSEXW later{};
        later.cbSize = sizeof later;
        later.lpfnWndProc = LaterProc;
        later.hInstance = GetModuleHandleW(nullptr);
        later.lpszClassName = L"MarduneLater";
        RegisterClassExW(&later);
        app.LaterWindow = CreateWindowExW(0, later.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          later.hInstance, nullptr);
    }
    return app.LaterWindow;
}

// One message through the tool's handling: a key-down that a control
// wants first, the menu's shortcuts, dialog navigation (Tab, mnemonics),
// then the window procedure.
void DispatchOne(MSG &msg)
{
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        // As the control would see it, before the dialog keys are taken.
        if (auto *edit = dynamic_cast<TEdit *>(ControlOf(msg.hwnd)); edit && edit->OnKeyDown) {
            const uint16_t key = static_cast<uint16_t>(msg.wParam);
            Invoke([edit, key] { edit->OnKeyDown(key); });
        }
    }
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (TForm *form = FormOf(root)) {
        if (form->Accelerators() && TranslateAcceleratorW(root, form->Accelerators(), &msg))
            return;
        if (IsDialogMessageW(root, &msg))
            return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

} // namespace

TControl *ControlOf(HWND__ *window)
{
    TForm *form = window ? FormOf(GetAncestor(window, GA_ROOT)) : nullptr;
    return form ? form->ControlOfWindow(window) : nullptr;
}

HBRUSH__ *HolderBackground(HWND__ *holder)
{
    if (TForm *form = FormOf(holder))
        return form->BackgroundBrush();
    const TControl *control = ControlOf(holder);
    return control ? control->Background() : GetSysColorBrush(COLOR_BTNFACE);
}

void Later(TComponent *context, TNotifyEvent action)
{
    Application().Later.push_back({context, std::move(action)});
    PostMessageW(LaterWindow(), RunLaterMessage, 0, 0);
}

bool DialogOpen()
{
    return !Application().AfterModal.empty();
}

void AfterDialogCloses(TComponent *context, TNotifyEvent action)
{
    TApplicationState &app = Application();
    if (app.AfterModal.empty())
        Later(context, std::move(action));
    else
        app.AfterModal.back().push_back({context, std::move(action)});
}

TModalScope::TModalScope()
{
    Application().AfterModal.emplace_back();
}

TModalScope::~TModalScope()
{
    std::vector<TPendingAction> waiting = std::move(Application().AfterModal.back());
    Application().AfterModal.pop_back();
    for (TPendingAction &pending : waiting)
        if (pending.Context)
            Later(pending.Context, std::move(pending.Action));
}

void ForgetActionsOf(TComponent *context)
{
    TApplicationState &app = Application();
    for (TPendingAction &pending : app.Later)
        if (pending.Context == context)
            pending.Context = nullptr;
    for (auto &level : app.AfterModal)
        for (TPendingAction &pending : level)
            if (pending.Context == context)
                pending.Context = nullptr;
}

void Invoke(const TNotifyEvent &handler)
{
    if (!handler)
        return;
    try {
        handler();
    } catch (...) {
        ShowUnexpectedError(CurrentExceptionMessage());
    }
}

TForm::TForm(TComponent *owner) : TComponent(owner) {}

TForm::~TForm()
{
    StopEvents();
    if (FHandle) {
        SetWindowLongPtrW(FHandle, FormWord, 0);
        DestroyWindow(FHandle);
    }
    DestroyComponents();
    if (FAccelerators)
        DestroyAcceleratorTable(FAccelerators);
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(FFont), static_cast<HGDIOBJ>(FBoldFont),
                           static_cast<HGDIOBJ>(FBackground), static_cast<HGDIOBJ>(FPageBrush)})
        if (object)
            DeleteObject(object);
    if (Application().MainForm == this)
        Application().MainForm = nullptr;
}

void TForm::RegisterControl(TControl *control)
{
    FControls[control->Handle()] = control;
}

TControl *TForm::ControlOfWindow(HWND__ *window) const
{
    const auto found = FControls.find(window);
    return found == FControls.end() ? nullptr : found->second;
}

void TForm::StopEvents()
{
    FStopped = true;
    for (TTimer *timer : FTimers)
        KillTimer(FHandle, reinterpret_cast<UINT_PTR>(timer));
    FTimers.clear();
}

int TForm::Scale(int pixels) const
{
    return MulDiv(pixels, FDpi, 96);
}

std::vector<TComponent *> TForm::CreateFromDesign(const TFormDesign &design)
{
    HINSTANCE module = GetModuleHandleW(nullptr);
    RegisterClasses(module);
    FDesign = &design;
    FDpi = ScreenDpi();

    LOGFONTW font{};
    font.lfHeight = -MulDiv(design.FontPoints > 0 ? design.FontPoints : 8, FDpi, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, design.FontName && *design.FontName ? design.FontName : L"Tahoma", LF_FACESIZE);
    FFont = CreateFontIndirectW(&font);
    font.lfWeight = FW_BOLD;
    FBoldFont = CreateFontIndirectW(&font);
    FBackground = design.Background >= 0 ? CreateSolidBrush(ToColorRef(design.Background))
                                         : CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    // A page looks like the body of its tab control: white under visual
    // styles, the face colour without.
    FPageBrush = CreateSolidBrush(GetSysColor(IsAppThemed() ? COLOR_WINDOW : COLOR_BTNFACE));

    DWORD style = WS_CLIPCHILDREN;
    DWORD exStyle = 0;
    HWND owner = nullptr;
    switch (design.Kind) {
    case TFormKind::Main:
        // A fixed tool window with a task-bar button of its own.
        style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
        exStyle |= WS_EX_TOOLWINDOW | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
        break;
    case TFormKind::Dialog:
        style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
        exStyle |= WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
        // Owned by the form that owns it, else by the main window.
        if (auto *form = dynamic_cast<TForm *>(Owner()); form && form->Handle())
            owner = form->Handle();
        else if (MainForm())
            owner = MainForm()->Handle();
        break;
    case TFormKind::Popup:
        style |= WS_POPUP;
        exStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    RECT frame{0, 0, Scale(design.ClientWidth), Scale(design.ClientHeight)};
    FMenu = design.MenuCount > 0 ? CreateMenu() : nullptr;
    AdjustWindowRectEx(&frame, style, FMenu != nullptr, exStyle);
    FHandle = CreateWindowExW(exStyle, FormClass, design.Caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, owner, FMenu, module, this);
    if (!FHandle)
        throw std::runtime_error("Cannot create the window " + std::string(design.ClassName));
    FToolTips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, FHandle, nullptr, module, nullptr);

    std::vector<TComponent *> made;
    std::vector<TControl *> controls;
    std::vector<HWND> holders;        // where each control's children go
    std::vector<POINT> offsets;       // and their offset there (group boxes)
    for (int i = 0; i < design.ControlCount; ++i) {
        const TControlDesign &d = design.Controls[i];
        TControl *control = nullptr;
        switch (d.Kind) {
        case TControlKind::Panel: control = new TPanel(this, d); break;
        case TControlKind::TabSheet: control = new TTabSheet(this, d); break;
        case TControlKind::PageControl: control = new TPageControl(this, d); break;
        case TControlKind::GroupBox: control = new TGroupBox(this, d); break;
        case TControlKind::Label: control = new TLabel(this, d); break;
        case TControlKind::Image: control = new TImage(this, d); break;
        case TControlKind::SpeedButton: control = new TSpeedButton(this, d); break;
        case TControlKind::Button: control = new TButton(this, d); break;
        case TControlKind::CheckBox: control = new TCheckBox(this, d); break;
        case TControlKind::RadioButton: control = new TRadioButton(this, d); break;
        case TControlKind::ComboBox: control = new TComboBox(this, d); break;
        case TControlKind::Edit: control = new TEdit(this, d); break;
        case TControlKind::Memo: control = new TMemo(this, d); break;
        }
        HWND holder = FHandle;
        POINT offset{0, 0};
        if (d.Parent >= 0) {
            const auto parent = static_cast<size_t>(d.Parent);
            holder = holders[parent];
            offset = offsets[parent];
        }
        HWND window = CreateControlWindow(*control, d, holder, offset.x + d.X, offset.y + d.Y);
        controls.push_back(control);
        made.push_back(control);
        // Children of a group box lie beside it, in its holder; children of
        // panels and pages inside them.
        if (d.Kind == TControlKind::GroupBox) {
            holders.push_back(holder);
            offsets.push_back({offset.x + d.X, offset.y + d.Y});
        } else {
            holders.push_back(window);
            offsets.push_back({0, 0});
        }
        if (d.Kind == TControlKind::TabSheet && d.Parent >= 0)
            if (auto *pages = dynamic_cast<TPageControl *>(controls[static_cast<size_t>(d.Parent)]))
                pages->AddPage(static_cast<TTabSheet *>(control));
    }
    // Pictures are backgrounds: below everything else of their holder.
    for (TControl *control : controls)
        if (control->Design().Kind == TControlKind::Image)
            SetWindowPos(control->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (TControl *control : controls)
        if (auto *pages = dynamic_cast<TPageControl *>(control); pages && !pages->Pages().empty()) {
            for (TTabSheet *page : pages->Pages())
                pages->PlacePage(page);
            pages->SetActivePage(pages->Pages().front());
        }
    CreateMenus(design, made);
    return made;
}

HWND__ *TForm::CreateControlWindow(TControl &control, const TControlDesign &d, HWND__ *holder, int x, int y)
{
    HINSTANCE module = GetModuleHandleW(nullptr);
    const wchar_t *windowClass = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    int height = d.Height;
    switch (d.Kind) {
    case TControlKind::Panel:
        windowClass = HolderClass;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case TControlKind::TabSheet:
        windowClass = HolderClass;
        style &= ~WS_VISIBLE;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case TControlKind::PageControl:
        windowClass = WC_TABCONTROLW;
        style |= WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        break;
    case TControlKind::GroupBox:
        windowClass = L"BUTTON";
        style |= BS_GROUPBOX;
        break;
    case TControlKind::Label:
        style |= SS_NOPREFIX | (d.WordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP) | (d.HandCursor ? SS_NOTIFY : 0);
        break;
    case TControlKind::Image:
        windowClass = ImageClass;
        style |= WS_CLIPSIBLINGS;
        break;
    case TControlKind::SpeedButton:
        windowClass = L"BUTTON";
        style |= BS_OWNERDRAW | (d.TabStop ? WS_TABSTOP : 0);
        break;
    case TControlKind::Button:
        windowClass = L"BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
    case TControlKind::CheckBox:
        windowClass = L"BUTTON";
        style |= BS_AUTOCHECKBOX | WS_TABSTOP;
        break;
    case TControlKind::RadioButton: {
        windowClass = L"BUTTON";
        style |= BS_AUTORADIOBUTTON;
        // The first radio button of its design parent starts a group.
        bool first = true;
        for (const TControlDesign *other = FDesign->Controls; other != &d; ++other)
            if (other->Kind == TControlKind::RadioButton && other->Parent == d.Parent)
                first = false;
        if (first)
            style |= WS_GROUP | WS_TABSTOP;
        break;
    }
    case TControlKind::ComboBox:
        windowClass = L"COMBOBOX";
        style |= (d.Editable ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST) | CBS_HASSTRINGS | WS_VSCROLL |
                 WS_TABSTOP;
        // The window's height is that of the dropped-down list.
        height = d.Height + (d.DropDownCount > 0 ? d.DropDownCount : 10) * 16;
        break;
    case TControlKind::Edit:
        windowClass = L"EDIT";
        style |= ES_AUTOHSCROLL | WS_TABSTOP;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case TControlKind::Memo:
        windowClass = L"EDIT";
        style |= ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | (d.ReadOnly ? ES_READONLY : 0);
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    }
    if (d.Kind != TControlKind::RadioButton && d.Kind != TControlKind::Image && d.Kind != TControlKind::Label)
        style |= WS_GROUP;
    HWND window = CreateWindowExW(exStyle, windowClass, d.Kind == TControlKind::ComboBox ? L"" : d.Text, style,
                                  Scale(x), Scale(y), Scale(d.Width), Scale(height), holder,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(d.Id)), module, nullptr);
    if (!window)
        throw std::runtime_error(std::string("Cannot create the control ") + d.Name);
    control.Attach(window, holder);
    RegisterControl(&control);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(Font(d.Bold)), FALSE);
    switch (d.Kind) {
    case TControlKind::ComboBox:
        for (int i = 0; i < d.ItemCount; ++i)
            SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(d.Items[i]));
        if (d.DropDownCount > 0)
            SendMessageW(window, CB_SETMINVISIBLE, static_cast<WPARAM>(d.DropDownCount), 0);
        SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(d.ItemIndex), 0);
        break;
    case TControlKind::Edit:
    case TControlKind::Memo:
        if (d.MaxLength > 0)
            SendMessageW(window, EM_LIMITTEXT, static_cast<WPARAM>(d.MaxLength), 0);
        break;
    case TControlKind::CheckBox:
    case TControlKind::RadioButton:
        SendMessageW(window, BM_SETCHECK, d.Checked ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case TControlKind::SpeedButton:
        static_cast<TSpeedButton &>(control).FFlat = d.Flat;
        break;
    default:
        break;
    }
    if (d.Hint && *d.Hint && FToolTips) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = FHandle;
        tool.uId = reinterpret_cast<UINT_PTR>(window);
        tool.lpszText = const_cast<wchar_t *>(d.Hint);
        SendMessageW(FToolTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return window;
}

void TForm::CreateMenus(const TFormDesign &design, std::vector<TComponent *> &made)
{
    if (!FMenu)
        return;
    std::vector<ACCEL> accelerators;
    for (int m = 0; m < design.MenuCount; ++m) {
        HMENU popup = CreatePopupMenu();
        made.push_back(new TMenuItem(this, design.Menus[m].Name, 0));
        for (int i = 0; i < design.MenuItemCount; ++i) {
            const TMenuItemDesign &item = design.MenuItems[i];
            if (item.Menu != m)
                continue;
            std::wstring text = item.Text;
            ACCEL accel{};
            if (item.Shortcut && *item.Shortcut && ParseShortcut(item.Shortcut, accel)) {
                accel.cmd = static_cast<WORD>(item.Id);
                accelerators.push_back(accel);
                text += L"\t";
                text += item.Shortcut;
            }
            AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(item.Id), text.c_str());
            auto *entry = new TMenuItem(this, item.Name, item.Id);
            FMenuItems[item.Id] = entry;
            made.push_back(entry);
        }
        AppendMenuW(FMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), design.Menus[m].Title);
    }
    if (!accelerators.empty())
        FAccelerators = CreateAcceleratorTableW(accelerators.data(), static_cast<int>(accelerators.size()));
    DrawMenuBar(FHandle);
}

void TForm::AddMessageHandler(unsigned msg, TMessageHandler handler)
{
    FMessageHandlers.emplace(msg, std::move(handler));
}

void TForm::RegisterTimer(TTimer *timer, bool running)
{
    if (running && !FStopped && FHandle) {
        FTimers.insert(timer);
        SetTimer(FHandle, reinterpret_cast<UINT_PTR>(timer), static_cast<UINT>(timer->Interval()), nullptr);
    } else if (FTimers.erase(timer) && FHandle) {
        KillTimer(FHandle, reinterpret_cast<UINT_PTR>(timer));
    }
}

intptr_t TForm::HandleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    if (FStopped)
        return DefWindowProcW(FHandle, msg, wParam, lParam);
    const auto [first, last] = FMessageHandlers.equal_range(msg);
    for (auto it = first; it != last; ++it) {
        intptr_t result = 0;
        bool handled = false;
        const TMessageHandler &handler = it->second;
        Invoke([&] { handled = handler({msg, wParam, lParam}, result); });
        if (handled)
            return result;
    }
    LRESULT result = 0;
    switch (msg) {
    case WM_COMMAND:
        if (lParam == 0) { // a menu entry or its shortcut
            const auto found = FMenuItems.find(LOWORD(wParam));
            if (found != FMenuItems.end()) {
                Invoke(found->second->OnClick);
                return 0;
            }
            if (LOWORD(wParam) == IDCANCEL) // Escape in a dialog
                PostMessageW(FHandle, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_TIMER: {
        auto *timer = reinterpret_cast<TTimer *>(wParam);
        if (FTimers.count(timer)) // not one that was stopped meanwhile
            Invoke(timer->OnTimer);
        return 0;
    }
    case WM_SHOWWINDOW:
        if (wParam && lParam == 0)
            Invoke([this] { DoShow(); });
        break;
    case WM_CLOSE:
        Invoke([this] {
            if (CloseQuery())
                DoClose();
        });
        return 0;
    default:
        break;
    }
    if (HolderMessage(*this, FHandle, FBackground, msg, wParam, lParam, result))
        return result;
    return DefWindowProcW(FHandle, msg, wParam, lParam);
}

void TForm::DoClose()
{
    Hide();
    if (Application().MainForm == this)
        TerminateApplication();
}

void TForm::Show()
{
    ShowWindow(FHandle, SW_SHOW);
    UpdateWindow(FHandle);
}

void TForm::Hide()
{
    ShowWindow(FHandle, SW_HIDE);
}

bool TForm::Visible() const
{
    return FHandle && IsWindowVisible(FHandle);
}

void TForm::SetOuterHeight(int pixels)
{
    RECT frame;
    GetWindowRect(FHandle, &frame);
    SetWindowPos(FHandle, nullptr, 0, 0, frame.right - frame.left, Scale(pixels),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Centre(const TForm *over)
{
    RECT frame, area;
    GetWindowRect(FHandle, &frame);
    if (over && over->Handle() && IsWindowVisible(over->Handle()))
        GetWindowRect(over->Handle(), &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(FHandle, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TDialog::ShowModal()
{
    const TModalScope modal;
    FModalResult = mrNone;
    HWND owner = GetWindow(Handle(), GW_OWNER);
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled)
        EnableWindow(owner, FALSE);
    Centre(MainForm());
    ShowWindow(Handle(), SW_SHOW);
    MSG msg;
    while (FModalResult == mrNone) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) { // the application ends: the loop above gets the quit too
            PostQuitMessage(static_cast<int>(msg.wParam));
            FModalResult = mrCancel;
            break;
        }
        if (got < 0)
            break;
        DispatchOne(msg);
    }
    if (ownerWasEnabled)
        EnableWindow(owner, TRUE);
    ShowWindow(Handle(), SW_HIDE);
    if (owner)
        SetActiveWindow(owner);
    return FModalResult;
}

void TDialog::DoClose()
{
    FModalResult = mrCancel;
}

TStringList ApplicationArguments()
{
    int count = 0;
    wchar_t **words = CommandLineToArgvW(GetCommandLineW(), &count);
    TStringList arguments;
    for (int i = 0; words && i < count; ++i)
        arguments.push_back(words[i]);
    if (words)
        LocalFree(words);
    return arguments;
}

void SetApplicationTitle(const TString &title)
{
    Application().Title = title;
}

const TString &ApplicationTitle()
{
    return Application().Title;
}

void SetMainForm(TForm *form)
{
    Application().MainForm = form;
}

TForm *MainForm()
{
    return Application().MainForm;
}

int RunApplication()
{
    MSG msg{};
    while (!Application().Terminated) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0)
            break;
        DispatchOne(msg);
    }
    return 0;
}

void ProcessMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchOne(msg);
    }
}

void TerminateApplication()
{
    Application().Terminated = true;
    PostQuitMessage(0);
}
