// The header and the window's two layouts following the reader.
#include "WindowFixture.h"

#include <QCheckBox>
#include <QRadioButton>

using namespace mardune::testing;
using readersim::ReaderIdentity;
using readersim::ReaderSettings;

namespace {

ReaderIdentity Product(const char *product)
{
    ReaderIdentity identity;
    identity.product = product;
    return identity;
}

} // namespace

class DeviceStatus : public WindowTest {};

TEST_F(DeviceStatus, NoReaderAtStartIsCompactAndNotAttached)
{
    CreateForm();
    EXPECT_EQ(OuterHeight(), CompactHeight);
    EXPECT_EQ(Text("LabelStatus"), "Not Attached");
    EXPECT_EQ(Text("LabelManufacturer"), "");
    EXPECT_EQ(Text("LabelProduct"), "");
    EXPECT_EQ(Text("LabelProductionDate"), "");
    EXPECT_TRUE(Get<QWidget>("ImageMifare")->isHidden());
    EXPECT_TRUE(TabVisible("TabSheetPreSuf"));
    EXPECT_TRUE(collected.errors.isEmpty());
}

TEST_F(DeviceStatus, PluggingTheReaderInShowsEverything)
{
    CreateForm();
    Form().SpeedButtonBeforeClick(); // the page reads, and no reader answers
    ASSERT_EQ(collected.errors.size(), 1);
    EXPECT_TRUE(collected.errors[0].startsWith("RFID_GetBeforeHidKeyboardReport: "));
    collected.errors.clear();
    ReaderSettings settings;
    settings.confByte = 0x21; // Enter, lower case, decimal
    settings.factoryId = 4711;
    PlugReader(ReaderIdentity{}, settings);

    ASSERT_TRUE(WaitFor([&] { return Text("LabelStatus") == "Attached"; }));
    EXPECT_EQ(OuterHeight(), FullHeight);
    EXPECT_EQ(Text("LabelManufacturer"), "Korvel Project");
    EXPECT_EQ(Text("LabelProduct"), "USB RFID Reader Ver: 1.7 (4711)");
    EXPECT_EQ(Text("LabelProductionDate"), "15.March 2024");
    EXPECT_EQ(CurrentPage(), Get<QWidget>("TabSheetOther"));
    // The Card Code page is loaded without being shown.
    EXPECT_EQ(ConfigBits, 0x21);
    EXPECT_TRUE(Form().EnterSet());
    EXPECT_TRUE(Get<QRadioButton>("RadioButtonLowercase")->isChecked());
    EXPECT_TRUE(Get<QRadioButton>("RadioGroupASCIIDecimal")->isChecked());
    EXPECT_FALSE(Get<QCheckBox>("CheckBoxSound")->isChecked());
    EXPECT_TRUE(Get<QCheckBox>("CheckBoxEnable")->isChecked());
    EXPECT_TRUE(collected.errors.isEmpty());
}

TEST_F(DeviceStatus, UnpluggingReturnsToCompactAndKeepsPictureAndTab)
{
    PlugReader(Product("USB Mifare Reader Ver: 1.6"));
    CreateForm();
    ASSERT_EQ(Text("LabelStatus"), "Attached");
    ASSERT_FALSE(Get<QWidget>("ImageMifare")->isHidden());
    ASSERT_FALSE(TabVisible("TabSheetPreSuf"));

    UnplugReader();
    ASSERT_TRUE(WaitFor([&] { return Text("LabelStatus") == "Not Attached"; }));
    EXPECT_EQ(OuterHeight(), CompactHeight);
    EXPECT_EQ(Text("LabelManufacturer"), "");
    EXPECT_EQ(Text("LabelProduct"), "");
    EXPECT_EQ(Text("LabelProductionDate"), "");
    EXPECT_FALSE(Get<QWidget>("ImageMifare")->isHidden());
    EXPECT_FALSE(TabVisible("TabSheetPreSuf"));
}

TEST_F(DeviceStatus, AnyOtherHidDeviceAlsoRefreshes)
{
    PlugReader();
    CreateForm();
    Form().SpeedButtonAfterClick();
    ASSERT_FALSE(Form().EnterSet());

    ReaderSettings settings = Firmware().settings();
    settings.confByte = 0x01;
    Firmware().setSettings(settings);
    Bus().plugMouse();
    // The refresh shows the About page and reloads the Card Code page.
    EXPECT_TRUE(WaitFor([&] { return CurrentPage() == Get<QWidget>("TabSheetOther"); }));
    EXPECT_TRUE(WaitFor([&] { return Form().EnterSet(); }));

    Form().SpeedButtonAfterClick();
    Bus().unplugMouse();
    EXPECT_TRUE(WaitFor([&] { return CurrentPage() == Get<QWidget>("TabSheetOther"); }));
}

TEST_F(DeviceStatus, VersionInTheProductTextDecidesThePrefixSufixTab)
{
    CreateForm();
    const struct {
        const char *product;
        bool shown;
    } cases[] = {
        {"USB RFID Reader Ver: 1.6", false}, {"USB RFID Reader Ver: 1.7", true}, {"USB RFID Reader", false},
        {"USB RFID Reader Ver: 1,8", true},  {"USB RFID Reader Ver: 0.9", false},
    };
    for (const auto &c : cases) {
        PlugReader(Product(c.product));
        const QString expected = QString(c.product) + " (10000)";
        ASSERT_TRUE(WaitFor([&] { return Text("LabelProduct") == expected; })) << c.product;
        EXPECT_EQ(TabVisible("TabSheetPreSuf"), c.shown) << c.product;
        EXPECT_EQ(OuterHeight(), FullHeight);
    }
}

TEST_F(DeviceStatus, OnlyMifareInThatSpellingSwitchesThePicture)
{
    PlugReader(Product("USB Mifare Reader Ver: 1.7"));
    CreateForm();
    EXPECT_FALSE(Get<QWidget>("ImageMifare")->isHidden());

    PlugReader(Product("USB MIFARE Reader Ver: 1.7"));
    EXPECT_TRUE(WaitFor([&] { return Get<QWidget>("ImageMifare")->isHidden(); }));
    EXPECT_EQ(Text("LabelProduct"), "USB MIFARE Reader Ver: 1.7 (10000)");
}

TEST_F(DeviceStatus, InvalidProductionDateShowsTheLastDayOf1899)
{
    ReaderSettings settings;
    settings.productionYear = 19;
    settings.productionMonth = 13;
    settings.productionDay = 5;
    PlugReader(ReaderIdentity{}, settings);
    CreateForm();
    EXPECT_EQ(Text("LabelProductionDate"), "30.December 1899");
}


TEST_F(DeviceStatus, VersionThatIsNoNumberEndsTheRefreshAndTheToolGoesOn)
{
    CreateForm();
    ASSERT_EQ(OuterHeight(), CompactHeight);
    ConfigBits = 0x55;
    PlugReader(Product("USB RFID Reader Ver:"));
    ASSERT_TRUE(WaitFor([&] { return !collected.unexpected.isEmpty(); }));
    EXPECT_TRUE(collected.unexpected[0].contains("not a valid floating point value")) << collected.unexpected[0].toStdString();
    // Reached before the error: status and identity. Not reached: the tab,
    // the height, the page and the Card Code page.
    EXPECT_EQ(Text("LabelStatus"), "Attached");
    EXPECT_EQ(OuterHeight(), CompactHeight);
    EXPECT_TRUE(TabVisible("TabSheetPreSuf"));
    EXPECT_EQ(ConfigBits, 0x55); // not read

    UnplugReader(); // the loop went on: the next event still refreshes
    EXPECT_TRUE(WaitFor([&] { return Text("LabelStatus") == "Not Attached"; }));
}

TEST_F(DeviceStatus, VersionThatIsNoNumberAtCreationStillCreatesTheWindow)
{
    PlugReader(Product("USB RFID Reader Ver: ?"));
    CreateForm();
    EXPECT_EQ(collected.unexpected.size(), 1);
    EXPECT_EQ(Text("LabelStatus"), "Attached");
    EXPECT_TRUE(Form().isVisible());
}

TEST_F(DeviceStatus, IdentityTheReaderDidNotGiveIsNeverShownAndTheNextEventAsksAgain)
{
    // The identity call fails (its first transfer is refused, and so is
    // every later one until the fault is lifted): at creation, and for a
    // reader that replaces one whose identity was shown.
    for (const bool shownBefore : {false, true}) {
        SCOPED_TRACE(shownBefore ? "replacing a shown reader" : "at creation");
        if (shownBefore) {
            readersim::ReaderSettings first;
            first.factoryId = 4711;
            PlugReader({}, first);
            CreateForm();
            ASSERT_EQ(Text("LabelProduct"), "USB RFID Reader Ver: 1.7 (4711)");
            PlugReader(Product("USB Mifare Reader Ver: 1.6"));
            Firmware().failNextTransfers(1 << 20); // before the window hears the reader
        } else {
            PlugReader(Product("USB Mifare Reader Ver: 1.6"));
            Firmware().failNextTransfers(1 << 20);
            CreateForm();
        }
        // The refresh that heard the reader has run: its Card Code page failed too.
        ASSERT_TRUE(WaitFor([&] { return !collected.errors.isEmpty(); }));
        EXPECT_EQ(Text("LabelStatus"), "Attached");
        EXPECT_EQ(OuterHeight(), FullHeight);
        EXPECT_EQ(Text("LabelManufacturer"), "");
        EXPECT_EQ(Text("LabelProduct"), "");
        EXPECT_EQ(Text("LabelProductionDate"), "");
        EXPECT_TRUE(Get<QWidget>("ImageMifare")->isHidden()); // as it was
        EXPECT_TRUE(TabVisible("TabSheetPreSuf"));
        EXPECT_EQ(Form().DevData.FactoryID, 0);

        Firmware().failNextTransfers(0);
        Bus().plugMouse(); // any device event
        EXPECT_TRUE(WaitFor([&] { return Text("LabelProduct") == "USB Mifare Reader Ver: 1.6 (10000)"; }));
        EXPECT_EQ(Text("LabelProductionDate"), "15.March 2024");
        EXPECT_FALSE(Get<QWidget>("ImageMifare")->isHidden());
        Bus().unplugMouse();
        TearDown();
        collected.errors.clear();
    }
}
