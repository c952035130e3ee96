#include "WindowFixture.h"

#include <QLabel>
#include <QTest>

namespace mardune::testing {

using korvel::testing::SharedBus;

void WindowTest::TearDown()
{
    form_.reset();
    if (Bus().mousePlugged())
        Bus().unplugMouse();
    Bus().unplugReader();
    QCoreApplication::processEvents();
}

readersim::VirtualBus &WindowTest::Bus()
{
    return SharedBus::bus();
}

readersim::ReaderFirmware &WindowTest::Firmware()
{
    return SharedBus::firmware();
}

void WindowTest::PlugReader(const readersim::ReaderIdentity &identity, const readersim::ReaderSettings &settings)
{
    SharedBus::freshReader(identity, settings);
}

void WindowTest::UnplugReader()
{
    Bus().unplugReader();
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
