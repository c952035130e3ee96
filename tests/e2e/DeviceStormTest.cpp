// The reader unplugged and plugged again and again while a status refresh
// shows its error box, with the real message boxes in a real X server: that
// box stays the only one, and the device events that came while it was open
// lead to exactly one refresh once it is closed.
#include "DeviceMonitor.h"
#include "SharedBus.h"
#include "Unit1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <poll.h>

#include <algorithm>

namespace {

using DeviceStorm = korvel::testing::BusTest;

constexpr int Replugs = 15;

QList<QMessageBox *> OpenBoxes()
{
    QList<QMessageBox *> boxes;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            boxes << box;
    return boxes;
}

// True when the window's device monitor has read every event sent so far.
bool MonitorDrained(const QWidget &form)
{
    for (const QSocketNotifier *notifier : form.findChildren<QSocketNotifier *>())
        if (qobject_cast<TDeviceMonitor *>(notifier->parent())) {
            pollfd unread{static_cast<int>(notifier->socket()), POLLIN, 0};
            return ::poll(&unread, 1, 0) == 0;
        }
    ADD_FAILURE() << "the window has no device monitor";
    return true;
}

// How often the reader was asked for its configuration byte (once a refresh).
long ConfigReads(const readersim::ReaderFirmware &firmware)
{
    const auto transfers = firmware.transfers();
    return std::count_if(transfers.begin(), transfers.end(), [](const readersim::Transfer &t) {
        return t.kind == readersim::Transfer::Kind::SetFeature && t.bytes.size() > 2 &&
               t.bytes[1] == readersim::CmdRequestData && t.bytes[2] == readersim::ItemConfig;
    });
}

TEST_F(DeviceStorm, OneErrorBoxAtATimeAndOneRefreshAfterIt)
{
    TForm1 form;
    form.show();
    const auto *product = form.findChild<QLabel *>(QStringLiteral("LabelProduct"));
    ASSERT_NE(product, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return product->text().endsWith(QStringLiteral("(10000)")); }, 30000));

    // Every refresh that finds the reader now fails at RFID_GetConfigBits.
    firmware->failNextTransfers(1 << 30);
    readersim::ReaderSettings settings = firmware->settings();
    int mostOpen = 0, replugs = 0;
    bool closing = false;
    QTimer person; // in whichever event loop runs: the boxes' own among them
    person.setInterval(20);
    QObject::connect(&person, &QTimer::timeout, [&] {
        const QList<QMessageBox *> boxes = OpenBoxes();
        mostOpen = std::max(mostOpen, static_cast<int>(boxes.size()));
        if (closing) {
            for (QMessageBox *box : boxes)
                box->button(QMessageBox::Ok)->click();
        } else if (!boxes.isEmpty() && replugs < Replugs && MonitorDrained(form)) {
            bus->unplugReader();
            bus->plugReader(*firmware);
            ++replugs;
        } else if (replugs == Replugs && MonitorDrained(form)) {
            // Every event has come while the box was open: let the next
            // refresh succeed, and show that it ran.
            firmware->failNextTransfers(0);
            settings.factoryId = 4242;
            firmware->setSettings(settings);
            firmware->clearLogs();
            closing = true;
        }
    });
    person.start();
    struct Restore {
        readersim::ReaderFirmware *firmware;
        readersim::VirtualBus *bus;
        ~Restore()
        {
            firmware->failNextTransfers(0);
            bus->unplugMouse();
        }
    } restore{firmware, bus};
    bus->plugMouse(); // the first event: its refresh opens the first box
    const bool done = QTest::qWaitFor([&] { return closing && OpenBoxes().isEmpty(); }, 120000);
    person.stop();
    ASSERT_TRUE(done) << "the storm never ended: " << replugs << " replugs, " << OpenBoxes().size() << " boxes open";

    EXPECT_EQ(mostOpen, 1) << "error boxes open at once";
    EXPECT_TRUE(QTest::qWaitFor([&] { return product->text().endsWith(QStringLiteral("(4242)")); }, 10000))
        << "no refresh after the box closed: " << product->text().toStdString();
    EXPECT_EQ(ConfigReads(*firmware), 1) << "refreshes after the box closed";
}

} // namespace
