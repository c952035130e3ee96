// A window's design as a .ui file lays it out (absolute pixel geometry):
// the form, its controls in document order with their design parents, the
// main menu, and the colours its style sheets give named controls.
#pragma once

#include "XmlTree.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace uigen {

// Every kind of control the tool's designs use, named as the tool names
// them (the toolkit's class in the .ui file in brackets).
enum class TControlKind {
    Panel,       // QWidget that is no page
    TabSheet,    // QWidget page of a QTabWidget
    PageControl, // QTabWidget
    GroupBox,    // QGroupBox
    Label,       // QLabel with text
    Image,       // QLabel with a pixmap
    SpeedButton, // QToolButton
    Button,      // QPushButton
    CheckBox,    // QCheckBox
    RadioButton, // QRadioButton
    ComboBox,    // QComboBox
    Edit,        // QLineEdit
    Memo,        // QPlainTextEdit
};

const char *KindName(TControlKind kind); // "TCheckBox", ...

struct TDesignControl {
    TControlKind Kind = TControlKind::Panel;
    std::string Name;
    int Parent = -1; // index of the design parent, -1 for the form's client area
    int X = 0, Y = 0, Width = 0, Height = 0; // relative to the design parent
    std::string Text;                        // caption, group title or tab title (UTF-8)
    std::string Hint;                        // tool tip
    std::vector<std::string> Items;
    int ItemIndex = -1;
    std::string Picture; // file name of the picture, e.g. "header.svg"
    int MaxLength = 0;   // 0: no limit
    int DropDownCount = 0;
    std::optional<uint32_t> TextColor, Background; // 0xRRGGBB
    bool Checked = false, Editable = false, Bold = false, WordWrap = false, ReadOnly = false, Flat = false,
         HandCursor = false, TabStop = true, Centred = false;
};

struct TDesignMenuItem {
    std::string Name, Text, Shortcut;
};

struct TDesignMenu {
    std::string Name, Title;
    std::vector<TDesignMenuItem> Items;
};

enum class TFormKind { Main, Dialog, Popup };

struct TDesign {
    std::string ClassName; // "TForm1"
    TFormKind Kind = TFormKind::Main;
    std::string Caption;
    int ClientWidth = 0, ClientHeight = 0; // without the menu bar
    std::string FontName;
    int FontPoints = 0;
    std::optional<uint32_t> Background;
    std::vector<TDesignControl> Controls;
    std::vector<TDesignMenu> Menus;
};

// Throws std::runtime_error naming what it does not know (a widget class, a
// missing geometry), so that a design change never goes unnoticed.
TDesign ReadDesign(const TXmlElement &ui);

// "#Name, #Other { color: #ffffff; background-color: #000000; }" rules of a
// style sheet, applied to the named controls; other rules are left out.
struct TStyleRule {
    std::vector<std::string> Names;
    std::optional<uint32_t> Color, Background;
};
std::vector<TStyleRule> ReadStyleRules(const std::string &styleSheet);

} // namespace uigen
