#include "ReportPage.h"

#include "KeyList.h"

#include <stdexcept>
#include <string>

namespace {

// Bit i of the modifier byte: bit 0 is Right GUI, bit 7 Left Control (the
// boot keyboard's order reversed).
constexpr std::array<const char *, 8> BitNames = {"RGUI", "RAlt", "RShift", "RControl",
                                                  "LGUI", "LAlt", "LShift", "LControl"};
// The order in which Clear unchecks them: as shown, top to bottom.
constexpr std::array<int, 8> ClearOrder = {4, 5, 6, 7, 0, 1, 2, 3};

constexpr std::array<uint8_t TKeybHIDReport::*, 6> KeyFields = {
    &TKeybHIDReport::Key1, &TKeybHIDReport::Key2, &TKeybHIDReport::Key3,
    &TKeybHIDReport::Key4, &TKeybHIDReport::Key5, &TKeybHIDReport::Key6,
};

template <typename T>
T *Control(TForm *form, const std::string &name)
{
    T *control = FindControl<T>(form, name.c_str());
    if (!control)
        throw std::logic_error("missing control " + name);
    return control;
}

const TStringList &KeyNames()
{
    static const TStringList names = [] {
        TStringList list;
        for (const char *name : KeyList)
            list.push_back(FromUtf8(name));
        return list;
    }();
    return names;
}

} // namespace

TReportPageControls SetupReportPage(TForm *form, const char *page)
{
    TReportPageControls controls;
    for (size_t bit = 0; bit < BitNames.size(); ++bit)
        controls.bits[bit] = Control<TCheckBox>(form, std::string("CheckBox") + page + BitNames[bit]);
    for (size_t key = 0; key < controls.keys.size(); ++key) {
        TComboBox *list = Control<TComboBox>(form, std::string("ComboBox") + page + "Key" + std::to_string(key + 1));
        AddItems(list, KeyNames());
        SetItemIndex(list, 0);
        controls.keys[key] = list;
    }
    return controls;
}

void ShowReport(const TReportPageControls &page, const TKeybHIDReport &report)
{
    for (size_t bit = 0; bit < page.bits.size(); ++bit)
        SetChecked(page.bits[bit], (report.Modifier >> bit) & 1);
    // A code without an entry leaves the list with nothing selected.
    for (size_t key = 0; key < page.keys.size(); ++key)
        SetItemIndex(page.keys[key], UsageToKeyIndex(report.*KeyFields[key]));
}

void ComposeReport(const TReportPageControls &page, TKeybHIDReport &report)
{
    uint8_t modifier = 0;
    for (size_t bit = 0; bit < page.bits.size(); ++bit)
        if (Checked(page.bits[bit]))
            modifier |= static_cast<uint8_t>(1u << bit);
    report.Modifier = modifier;
    // Nothing selected (-1) passes the mapping unchanged and becomes 255.
    for (size_t key = 0; key < page.keys.size(); ++key)
        report.*KeyFields[key] = static_cast<uint8_t>(KeyIndexToUsage(ItemIndex(page.keys[key])));
}

void ClearReportPage(const TReportPageControls &page)
{
    for (const int bit : ClearOrder)
        SetChecked(page.bits[static_cast<size_t>(bit)], false);
    for (TComboBox *list : page.keys)
        SetItemIndex(list, 0);
}
