#include "WindowFixture.h"

#include <QLabel>
#include <QTest>

namespace mardune::testing {
namespace {

std::unique_ptr<readersim::VirtualBus> bus;
// Every reader a test plugged stays alive until the binary ends: the bus may
// still be finishing with one when the next is plugged.
std::vector<std::unique_ptr<readersim::ReaderFirmware>> readers;

} // namespace

void WindowTest::CreateBus()
{
    bus = std::make_unique<readersim::VirtualBus>();
}

void WindowTest::DestroyBus()
{
    bus.reset();
    readers.clear();
}

void WindowTest::TearDown()
{
    form_.reset();
    if (bus->mousePlugged())
        bus->unplugMouse();
    bus->unplugReader();
    QCoreApplication::processEvents();
}

readersim::VirtualBus &WindowTest::Bus()
{
    return *bus;
}

readersim::ReaderFirmware &WindowTest::Firmware()
{
    return *readers.back();
}

void WindowTest::PlugReader(const readersim::ReaderIdentity &identity, const readersim::ReaderSettings &settings)
{
    bus->unplugReader();
    readers.push_back(std::make_unique<readersim::ReaderFirmware>(identity, settings));
    bus->plugReader(*readers.back());
}

void WindowTest::UnplugReader()
{
    bus->unplugReader();
}

TForm1 &WindowTest::CreateForm(const std::function<void(TForm1 &)> &beforeShow)
{
    form_ = std::make_unique<TForm1>();
    if (beforeShow)
        beforeShow(*form_);
    form_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    return *form_;
}

bool WindowTest::WaitFor(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(condition, 5000);
}

QString WindowTest::Text(const char *label) const
{
    const QLabel *widget = Get<QLabel>(label);
    return widget ? widget->text() : QString();
}

bool WindowTest::TabVisible(const char *page) const
{
    return PageControl()->isTabVisible(PageControl()->indexOf(Get<QWidget>(page)));
}

} // namespace mardune::testing
