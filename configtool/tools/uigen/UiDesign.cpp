#include "UiDesign.h"

#include <stdexcept>

namespace uigen {
namespace {

std::string Trim(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

[[noreturn]] void Fail(const std::string &widget, const std::string &what)
{
    throw std::runtime_error(widget + ": " + what);
}

const TXmlElement *Property(const TXmlElement &widget, const char *name)
{
    for (const TXmlElement &child : widget.Children)
        if (child.Name == "property" && child.Attribute("name") == name)
            return &child;
    return nullptr;
}

std::optional<std::string> StringProperty(const TXmlElement &widget, const char *name)
{
    const TXmlElement *property = Property(widget, name);
    if (!property)
        return std::nullopt;
    const TXmlElement *value = property->Child("string");
    return value ? std::optional<std::string>(value->Text) : std::nullopt;
}

int Number(const TXmlElement &element, const std::string &widget)
{
    const std::string text = Trim(element.Text);
    size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception &) {
        used = 0;
    }
    if (used == 0 || used != text.size())
        Fail(widget, "\"" + text + "\" is no number in <" + element.Name + ">");
    return value;
}

std::optional<int> NumberProperty(const TXmlElement &widget, const char *name, const std::string &widgetName)
{
    const TXmlElement *property = Property(widget, name);
    const TXmlElement *value = property ? property->Child("number") : nullptr;
    return value ? std::optional<int>(Number(*value, widgetName)) : std::nullopt;
}

std::optional<bool> BoolProperty(const TXmlElement &widget, const char *name)
{
    const TXmlElement *property = Property(widget, name);
    const TXmlElement *value = property ? property->Child("bool") : nullptr;
    return value ? std::optional<bool>(Trim(value->Text) == "true") : std::nullopt;
}

struct TRect {
    int X = 0, Y = 0, Width = 0, Height = 0;
};

std::optional<TRect> Geometry(const TXmlElement &widget, const std::string &name)
{
    const TXmlElement *property = Property(widget, "geometry");
    const TXmlElement *rect = property ? property->Child("rect") : nullptr;
    if (!rect)
        return std::nullopt;
    const auto field = [&](const char *tag) {
        const TXmlElement *value = rect->Child(tag);
        if (!value)
            Fail(name, std::string("geometry without <") + tag + ">");
        return Number(*value, name);
    };
    return TRect{field("x"), field("y"), field("width"), field("height")};
}

std::optional<uint32_t> ParseColour(const std::string &text)
{
    const std::string value = Trim(text);
    if (value.size() != 7 || value[0] != '#')
        return std::nullopt;
    uint32_t colour = 0;
    for (size_t i = 1; i < value.size(); ++i) {
        const char c = value[i];
        uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            return std::nullopt;
        colour = colour * 16 + digit;
    }
    return colour;
}

class TDesignReader {
public:
    TDesign Read(const TXmlElement &ui)
    {
        const TXmlElement *className = ui.Child("class");
        const TXmlElement *root = ui.Child("widget");
        if (!className || !root)
            throw std::runtime_error("no <class> or no root <widget>");
        FDesign.ClassName = Trim(className->Text);
        const std::string rootClass = root->Attribute("class").value_or("");
        if (rootClass == "QMainWindow")
            FDesign.Kind = TFormKind::Main;
        else if (rootClass == "QDialog")
            FDesign.Kind = TFormKind::Dialog;
        else if (rootClass == "QWidget")
            FDesign.Kind = TFormKind::Popup;
        else
            Fail(FDesign.ClassName, "a form of class " + rootClass);
        const std::optional<TRect> size = Geometry(*root, FDesign.ClassName);
        if (!size)
            Fail(FDesign.ClassName, "no geometry");
        FDesign.ClientWidth = size->Width;
        FDesign.ClientHeight = size->Height;
        FDesign.Caption = StringProperty(*root, "windowTitle").value_or("");
        if (const TXmlElement *font = Property(*root, "font"); font && font->Child("font")) {
            if (const TXmlElement *family = font->Child("font")->Child("family"))
                FDesign.FontName = Trim(family->Text);
            if (const TXmlElement *points = font->Child("font")->Child("pointsize"))
                FDesign.FontPoints = Number(*points, FDesign.ClassName);
        }
        CollectStyle(*root);

        for (const TXmlElement &child : root->Children) {
            if (child.Name != "widget")
                continue;
            const std::string cls = child.Attribute("class").value_or("");
            if (cls == "QMenuBar") {
                ReadMenuBar(child, *root);
                if (const std::optional<TRect> bar = Geometry(child, "menu bar"))
                    FDesign.ClientHeight -= bar->Height; // the menu is no part of the client area
            }
        }
        for (const TXmlElement &child : root->Children) {
            if (child.Name != "widget" || child.Attribute("class") == "QMenuBar")
                continue;
            // The main window's central widget fills its client area.
            const bool central = FDesign.Kind == TFormKind::Main;
            ReadWidget(child, -1, central ? TControlKind::Panel : std::optional<TControlKind>{}, central);
        }
        ApplyStyle();
        return std::move(FDesign);
    }

private:
    void CollectStyle(const TXmlElement &widget)
    {
        if (const std::optional<std::string> sheet = StringProperty(widget, "styleSheet"))
            for (TStyleRule &rule : ReadStyleRules(*sheet))
                FRules.push_back(std::move(rule));
    }

    void ApplyStyle()
    {
        for (const TStyleRule &rule : FRules)
            for (const std::string &name : rule.Names) {
                if (name == FDesign.ClassName && rule.Background)
                    FDesign.Background = rule.Background;
                for (TDesignControl &control : FDesign.Controls)
                    if (control.Name == name) {
                        if (rule.Color)
                            control.TextColor = rule.Color;
                        if (rule.Background)
                            control.Background = rule.Background;
                    }
            }
    }

    void ReadMenuBar(const TXmlElement &bar, const TXmlElement &root)
    {
        for (const TXmlElement &child : bar.Children) {
            if (child.Name != "widget")
                continue;
            const std::string name = child.Attribute("name").value_or("");
            if (child.Attribute("class") != "QMenu")
                Fail(name, "a menu bar entry that is no QMenu");
            TDesignMenu menu;
            menu.Name = name;
            menu.Title = StringProperty(child, "title").value_or("");
            for (const TXmlElement &entry : child.Children) {
                if (entry.Name != "addaction")
                    continue;
                const std::string action = entry.Attribute("name").value_or("");
                const TXmlElement *found = nullptr;
                for (const TXmlElement &candidate : root.Children)
                    if (candidate.Name == "action" && candidate.Attribute("name") == action)
                        found = &candidate;
                if (!found)
                    Fail(name, "no action " + action);
                menu.Items.push_back({action, StringProperty(*found, "text").value_or(""),
                                      StringProperty(*found, "shortcut").value_or("")});
            }
            FDesign.Menus.push_back(std::move(menu));
        }
    }

    TControlKind KindOf(const TXmlElement &widget, const std::string &cls, const std::string &name, bool page) const
    {
        if (cls == "QWidget")
            return page ? TControlKind::TabSheet : TControlKind::Panel;
        if (cls == "QTabWidget")
            return TControlKind::PageControl;
        if (cls == "QGroupBox")
            return TControlKind::GroupBox;
        if (cls == "QLabel")
            return Property(widget, "pixmap") ? TControlKind::Image : TControlKind::Label;
        if (cls == "QToolButton")
            return TControlKind::SpeedButton;
        if (cls == "QPushButton")
            return TControlKind::Button;
        if (cls == "QCheckBox")
            return TControlKind::CheckBox;
        if (cls == "QRadioButton")
            return TControlKind::RadioButton;
        if (cls == "QComboBox")
            return TControlKind::ComboBox;
        if (cls == "QLineEdit")
            return TControlKind::Edit;
        if (cls == "QPlainTextEdit")
            return TControlKind::Memo;
        Fail(name, "a widget of class " + cls);
    }

    void ReadWidget(const TXmlElement &widget, int parent, std::optional<TControlKind> kind, bool fillsClient)
    {
        TDesignControl control;
        control.Name = widget.Attribute("name").value_or("");
        if (control.Name.empty())
            Fail(FDesign.ClassName, "a widget without a name");
        const std::string cls = widget.Attribute("class").value_or("");
        const bool page = parent >= 0 && FDesign.Controls[static_cast<size_t>(parent)].Kind == TControlKind::PageControl;
        control.Kind = kind ? *kind : KindOf(widget, cls, control.Name, page);
        control.Parent = parent;
        if (fillsClient) {
            control.Width = FDesign.ClientWidth;
            control.Height = FDesign.ClientHeight;
        } else if (control.Kind != TControlKind::TabSheet) {
            const std::optional<TRect> rect = Geometry(widget, control.Name);
            if (!rect)
                Fail(control.Name, "no geometry");
            control.X = rect->X;
            control.Y = rect->Y;
            control.Width = rect->Width;
            control.Height = rect->Height;
        }
        if (control.Kind == TControlKind::TabSheet) {
            for (const TXmlElement &attribute : widget.Children)
                if (attribute.Name == "attribute" && attribute.Attribute("name") == "title" &&
                    attribute.Child("string"))
                    control.Text = attribute.Child("string")->Text;
        } else if (control.Kind == TControlKind::GroupBox) {
            control.Text = StringProperty(widget, "title").value_or("");
        } else {
            control.Text = StringProperty(widget, "text").value_or("");
        }
        control.Hint = StringProperty(widget, "toolTip").value_or("");
        control.Checked = BoolProperty(widget, "checked").value_or(false);
        control.Editable = BoolProperty(widget, "editable").value_or(false);
        control.WordWrap = BoolProperty(widget, "wordWrap").value_or(false);
        control.ReadOnly = BoolProperty(widget, "readOnly").value_or(false);
        control.Flat = BoolProperty(widget, "autoRaise").value_or(false);
        control.MaxLength = NumberProperty(widget, "maxLength", control.Name).value_or(0);
        control.DropDownCount = NumberProperty(widget, "maxVisibleItems", control.Name).value_or(0);
        control.ItemIndex = NumberProperty(widget, "currentIndex", control.Name).value_or(-1);
        if (const TXmlElement *font = Property(widget, "font"); font && font->Child("font"))
            if (const TXmlElement *bold = font->Child("font")->Child("bold"))
                control.Bold = Trim(bold->Text) == "true";
        if (const TXmlElement *cursor = Property(widget, "cursor"))
            if (const TXmlElement *shape = cursor->Child("cursorShape"))
                control.HandCursor = Trim(shape->Text) == "PointingHandCursor";
        if (const TXmlElement *focus = Property(widget, "focusPolicy"))
            if (const TXmlElement *value = focus->Child("enum"))
                control.TabStop = Trim(value->Text) != "Qt::NoFocus";
        if (const TXmlElement *pixmap = Property(widget, "pixmap"))
            if (const TXmlElement *value = pixmap->Child("pixmap")) {
                const std::string path = Trim(value->Text);
                control.Picture = path.substr(path.find_last_of("/:") + 1);
            }
        if (const TXmlElement *alignment = Property(widget, "alignment"))
            if (const TXmlElement *value = alignment->Child("set"))
                control.Centred = value->Text.find("Qt::AlignCenter") != std::string::npos;
        for (const TXmlElement &item : widget.Children)
            if (item.Name == "item")
                control.Items.push_back(StringProperty(item, "text").value_or(""));
        CollectStyle(widget);

        const int self = static_cast<int>(FDesign.Controls.size());
        FDesign.Controls.push_back(std::move(control));
        for (const TXmlElement &child : widget.Children)
            if (child.Name == "widget")
                ReadWidget(child, self, std::nullopt, false);
    }

    TDesign FDesign;
    std::vector<TStyleRule> FRules;
};

} // namespace

const char *KindName(TControlKind kind)
{
    switch (kind) {
    case TControlKind::Panel: return "TPanel";
    case TControlKind::TabSheet: return "TTabSheet";
    case TControlKind::PageControl: return "TPageControl";
    case TControlKind::GroupBox: return "TGroupBox";
    case TControlKind::Label: return "TLabel";
    case TControlKind::Image: return "TImage";
    case TControlKind::SpeedButton: return "TSpeedButton";
    case TControlKind::Button: return "TButton";
    case TControlKind::CheckBox: return "TCheckBox";
    case TControlKind::RadioButton: return "TRadioButton";
    case TControlKind::ComboBox: return "TComboBox";
    case TControlKind::Edit: return "TEdit";
    case TControlKind::Memo: return "TMemo";
    }
    return "?";
}

std::vector<TStyleRule> ReadStyleRules(const std::string &styleSheet)
{
    std::string text;
    for (size_t i = 0; i < styleSheet.size();) {
        if (styleSheet.compare(i, 2, "/*") == 0) {
            const size_t end = styleSheet.find("*/", i + 2);
            i = end == std::string::npos ? styleSheet.size() : end + 2;
        } else {
            text += styleSheet[i++];
        }
    }
    std::vector<TStyleRule> rules;
    size_t start = 0;
    for (size_t open; (open = text.find('{', start)) != std::string::npos;) {
        const size_t close = text.find('}', open);
        if (close == std::string::npos)
            break;
        TStyleRule rule;
        bool onlyNames = true;
        const std::string selectors = text.substr(start, open - start);
        for (size_t from = 0; from <= selectors.size();) {
            size_t comma = selectors.find(',', from);
            if (comma == std::string::npos)
                comma = selectors.size();
            const std::string selector = Trim(selectors.substr(from, comma - from));
            bool name = selector.size() > 1 && selector[0] == '#';
            for (size_t i = 1; name && i < selector.size(); ++i) {
                const char c = selector[i];
                name = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
            }
            onlyNames = onlyNames && name;
            if (name)
                rule.Names.push_back(selector.substr(1));
            from = comma + 1;
        }
        const std::string declarations = text.substr(open + 1, close - open - 1);
        for (size_t from = 0; from < declarations.size();) {
            size_t semicolon = declarations.find(';', from);
            if (semicolon == std::string::npos)
                semicolon = declarations.size();
            const std::string declaration = declarations.substr(from, semicolon - from);
            const size_t colon = declaration.find(':');
            if (colon != std::string::npos) {
                const std::string key = Trim(declaration.substr(0, colon));
                const std::optional<uint32_t> colour = ParseColour(declaration.substr(colon + 1));
                if (key == "color")
                    rule.Color = colour;
                else if (key == "background-color")
                    rule.Background = colour;
            }
            from = semicolon + 1;
        }
        if (onlyNames && (rule.Color || rule.Background))
            rules.push_back(std::move(rule));
        start = close + 1;
    }
    return rules;
}

TDesign ReadDesign(const TXmlElement &ui)
{
    return TDesignReader().Read(ui);
}

} // namespace uigen
