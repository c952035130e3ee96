// Navigation and the menu.
#include "WindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>

using namespace mardune::testing;

class MainWindow : public WindowTest {};

TEST_F(MainWindow, HeaderAreasShowTheirPagesAndEveryShowReturnsToAbout)
{
    CreateForm();
    const std::pair<const char *, const char *> areas[] = {{"SpeedButtonBefore", "TabSheetAdvancedBefore"},
                                                           {"SpeedButtonAfter", "TabSheetAdvancedAfter"},
                                                           {"SpeedButtonRemove", "TabSheetRemove"}};
    for (const auto &[button, page] : areas) {
        QTest::mouseClick(Get<QWidget>(button), Qt::LeftButton);
        EXPECT_EQ(CurrentPage(), Get<QWidget>(page)) << button;
    }
    Form().hide();
    Form().show();
    EXPECT_EQ(CurrentPage(), Get<QWidget>("TabSheetOther"));
}

TEST_F(MainWindow, FileMenuExitEndsTheEventLoop)
{
    CreateForm();
    const QList<QAction *> entries = Get<QMenu>("File1")->actions();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0]->text(), "Open");
    EXPECT_EQ(entries[0]->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_TRUE(entries[0]->isEnabled());
    EXPECT_EQ(entries[1]->text(), "Save As ...");
    EXPECT_TRUE(entries[1]->isEnabled());
    // The application's own loop, as in the tool; it also leaves later
    // loops (modal dialogs) able to run again.
    bool timedOut = false;
    QTimer::singleShot(0, entries[2], &QAction::trigger);
    QTimer guard; // gone with the test
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    guard.start(3000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(timedOut);
}
