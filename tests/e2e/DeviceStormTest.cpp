// The reader unplugged and plugged again and again while a status refresh
// shows its error box, with the real message boxes in a real X server: the
// header and the window's height follow every plug at once, showing no
// identity the reader did not give; that box stays the only one, and the
// device events that came while it was open lead to exactly one refresh of
// the Card Code page once it is closed.
#include "DeviceMonitor.h"
#include "SharedBus.h"
#include "Unit1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
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
    const auto label = [&](const char *name) {
        const auto *widget = form.findChild<QLabel *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget ? widget->text() : QString();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return label("LabelProduct").endsWith(QStringLiteral("(10000)")); }, 30000));

    // Every call that reaches the reader now fails: the identity and
    // RFID_GetConfigBits of each refresh among them.
    firmware->failNextTransfers(1 << 30);
    readersim::ReaderSettings settings = firmware->settings();
    // What the header shows at once after each plug and unplug: only what
    // the reader gave, which is nothing while it fails.
    const auto headerFollows = [&](bool plugged) {
        if (!plugged)
            return label("LabelStatus") == QStringLiteral("Not Attached") && form.frameGeometry().height() == CompactHeight;
        return label("LabelStatus") == QStringLiteral("Attached") && form.frameGeometry().height() == FullHeight &&
               label("LabelManufacturer").isEmpty() && label("LabelProduct").isEmpty() &&
               label("LabelProductionDate").isEmpty();
    };
    const int storm = 2 * Replugs + 1; // unplug, plug, ..., unplug: it ends unplugged
    int mostOpen = 0, actions = 0;
    bool plugged = true, lifted = false, closing = false, opened = false, closedEarly = false, gaveUp = false;
    // The wait below cannot end while a box's own loop runs: the person
    // closes the boxes when the storm takes far too long.
    QElapsedTimer clock;
    clock.start();
    QTimer person; // in whichever event loop runs: the boxes' own among them
    person.setInterval(20);
    QObject::connect(&person, &QTimer::timeout, [&] {
        const QList<QMessageBox *> boxes = OpenBoxes();
        mostOpen = std::max(mostOpen, static_cast<int>(boxes.size()));
        if (!closing && clock.elapsed() > 100000)
            closing = gaveUp = true;
        if (closing) {
            for (QMessageBox *box : boxes)
                box->button(QMessageBox::Ok)->click();
            return;
        }
        if (boxes.isEmpty()) { // until the first refresh has opened its box
            closedEarly = closedEarly || opened;
            return;
        }
        opened = true;
        // The next step once every event so far was heard and shows.
        if (!MonitorDrained(form) || !headerFollows(plugged))
            return;
        if (actions < storm) {
            plugged ? bus->unplugReader() : bus->plugReader(*firmware);
            plugged = !plugged;
            ++actions;
        } else if (!lifted) {
            // Ended unplugged, shown as such while the box is open. Now the
            // reader answers again: its identity shows at once, and the
            // Card Code page is read once the box has closed.
            firmware->failNextTransfers(0);
            settings.factoryId = 4242;
            firmware->setSettings(settings);
            firmware->clearLogs();
            bus->plugReader(*firmware);
            lifted = true;
        }
    });
    // Once lifted, the header must show the identity the reader now gives
    // before the box is closed.
    QTimer identity;
    identity.setInterval(20);
    QObject::connect(&identity, &QTimer::timeout, [&] {
        if (lifted && !closing && label("LabelProduct").endsWith(QStringLiteral("(4242)")) && !OpenBoxes().isEmpty()) {
            EXPECT_EQ(ConfigReads(*firmware), 0) << "the Card Code page was read while the box was open";
            closing = true;
        }
    });
    person.start();
    identity.start();
    struct Restore {
        readersim::ReaderFirmware *firmware;
        readersim::VirtualBus *bus;
        ~Restore()
        {
            firmware->failNextTransfers(0);
            bus->unplugMouse();
            bus->plugReader(*firmware);
        }
    } restore{firmware, bus};
    bus->plugMouse(); // the first event: its refresh opens the first box
    const bool done = QTest::qWaitFor([&] { return closing && OpenBoxes().isEmpty(); }, 120000);
    person.stop();
    identity.stop();
    ASSERT_TRUE(done && !gaveUp) << "the storm stopped after " << actions << " of " << storm << " plugs and unplugs"
                      << (lifted ? ", with the reader answering again" : "") << "; header: "
                      << label("LabelStatus").toStdString() << ", " << label("LabelProduct").toStdString() << ", "
                      << form.frameGeometry().height() << " pixels high; " << OpenBoxes().size() << " boxes open";

    EXPECT_EQ(mostOpen, 1) << "error boxes open at once";
    EXPECT_FALSE(closedEarly) << "the first box closed during the storm";
    EXPECT_TRUE(QTest::qWaitFor([&] { return ConfigReads(*firmware) == 1 && MonitorDrained(form); }, 10000))
        << "no refresh after the box closed";
    EXPECT_EQ(ConfigReads(*firmware), 1) << "refreshes after the box closed";
    EXPECT_EQ(label("LabelProduct"), QStringLiteral("USB RFID Reader Ver: 1.7 (4242)"));
}

} // namespace
