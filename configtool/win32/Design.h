// A window's design as mardune_uigen writes it from a .ui file: the table
// that TForm::CreateFromDesign builds the window from. Geometry in pixels at
// 96 dpi, relative to the design parent (a group box's children too).
#pragma once

#include <cstdint>

enum class TControlKind : uint8_t {
    Panel,
    TabSheet,
    PageControl,
    GroupBox,
    Label,
    Image,
    SpeedButton,
    Button,
    CheckBox,
    RadioButton,
    ComboBox,
    Edit,
    Memo,
};

enum class TFormKind : uint8_t {
    Main,   // the main window: caption, menu, task-bar button
    Dialog, // a modal dialog owned by the main window
    Popup,  // no border, no caption (the splash)
};

struct TControlDesign {
    TControlKind Kind = TControlKind::Panel;
    const char *Name = "";
    int Id = 0;
    int Parent = -1; // index in the table; -1: the form's client area
    int X = 0, Y = 0, Width = 0, Height = 0;
    const wchar_t *Text = L"";
    const wchar_t *Hint = nullptr;
    const wchar_t *const *Items = nullptr;
    int ItemCount = 0;
    int ItemIndex = -1;
    const wchar_t *Picture = nullptr; // bitmap resource name
    int MaxLength = 0;
    int DropDownCount = 0;
    int32_t TextColor = -1; // 0xRRGGBB, -1: the system's
    int32_t Background = -1;
    bool Checked = false, Editable = false, Bold = false, WordWrap = false, ReadOnly = false, Flat = false,
         HandCursor = false, TabStop = true, Centred = false;
};

struct TMenuDesign {
    const char *Name = "";
    const wchar_t *Title = L"";
};

struct TMenuItemDesign {
    const char *Name = "";
    int Id = 0;
    int Menu = 0; // index in the menu table
    const wchar_t *Text = L"";
    const wchar_t *Shortcut = L""; // "Ctrl+O"
};

struct TFormDesign {
    const char *ClassName = "";
    TFormKind Kind = TFormKind::Main;
    const wchar_t *Caption = L"";
    int ClientWidth = 0, ClientHeight = 0;
    const wchar_t *FontName = L"";
    int FontPoints = 0;
    int32_t Background = -1;
    const TControlDesign *Controls = nullptr;
    int ControlCount = 0;
    const TMenuDesign *Menus = nullptr;
    int MenuCount = 0;
    const TMenuItemDesign *MenuItems = nullptr;
    int MenuItemCount = 0;
};
