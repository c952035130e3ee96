// Navigation and the menu.
#include "WindowFixture.h"

#include <QAction>
#include <QEventLoop>
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
    EXPECT_FALSE(entries[0]->isEnabled()); // Open and Save As come later
    EXPECT_FALSE(entries[1]->isEnabled());
    QEventLoop loop;
    bool timedOut = false;
    QTimer::singleShot(0, entries[2], &QAction::trigger);
    QTimer::singleShot(3000, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    loop.exec();
    EXPECT_FALSE(timedOut);
}
