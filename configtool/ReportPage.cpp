#include "ReportPage.h"

#include "KeyList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QStringList>
#include <QWidget>

#include <stdexcept>

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
T *Child(QWidget *page, const QString &name)
{
    T *child = page->findChild<T *>(name);
    if (!child)
        throw std::logic_error("missing control " + name.toStdString());
    return child;
}

const QStringList &KeyNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const char *name : KeyList)
            list << QString::fromLatin1(name);
        return list;
    }();
    return names;
}

} // namespace

TReportPageControls SetupReportPage(QWidget *page, const QString &name)
{
    TReportPageControls controls;
    for (size_t bit = 0; bit < BitNames.size(); ++bit)
        controls.bits[bit] = Child<QCheckBox>(page, QStringLiteral("CheckBox") + name + QLatin1String(BitNames[bit]));
    for (size_t key = 0; key < controls.keys.size(); ++key) {
        QComboBox *list = Child<QComboBox>(page, QStringLiteral("ComboBox%1Key%2").arg(name).arg(key + 1));
        list->addItems(KeyNames());
        list->setCurrentIndex(0);
        controls.keys[key] = list;
    }
    return controls;
}

void ShowReport(const TReportPageControls &page, const TKeybHIDReport &report)
{
    for (size_t bit = 0; bit < page.bits.size(); ++bit)
        page.bits[bit]->setChecked((report.Modifier >> bit) & 1);
    // A code without an entry leaves the list with nothing selected.
    for (size_t key = 0; key < page.keys.size(); ++key)
        page.keys[key]->setCurrentIndex(UsageToKeyIndex(report.*KeyFields[key]));
}

void ComposeReport(const TReportPageControls &page, TKeybHIDReport &report)
{
    uint8_t modifier = 0;
    for (size_t bit = 0; bit < page.bits.size(); ++bit)
        if (page.bits[bit]->isChecked())
            modifier |= static_cast<uint8_t>(1u << bit);
    report.Modifier = modifier;
    // Nothing selected (-1) passes the mapping unchanged and becomes 255.
    for (size_t key = 0; key < page.keys.size(); ++key)
        report.*KeyFields[key] = static_cast<uint8_t>(KeyIndexToUsage(page.keys[key]->currentIndex()));
}

void ClearReportPage(const TReportPageControls &page)
{
    for (const int bit : ClearOrder)
        page.bits[static_cast<size_t>(bit)]->setChecked(false);
    for (QComboBox *list : page.keys)
        list->setCurrentIndex(0);
}
