// For each test a fresh reader (or none) on the program's one virtual bus,
// and a fresh main window on it.
#pragma once

#include "SharedBus.h"
#include "TestSupport.h"
#include "Unit1.h"

#include <QTabWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace mardune::testing {

// The bus is the program's shared one (SharedBus); the test plugs in the
// reader it wants.
class WindowTest : public ::testing::Test {
protected:
    void TearDown() override;

    readersim::VirtualBus &Bus();
    readersim::ReaderFirmware &Firmware();

    // Replaces the reader on the bus by a new one, with default identity and
    // settings unless given; the window sees it when one exists.
    void PlugReader(const readersim::ReaderIdentity &identity = {}, const readersim::ReaderSettings &settings = {});
    void UnplugReader();
    // Creates the main window (and shows it), with whatever is on the bus;
    // `beforeShow` runs between the two.
    TForm1 &CreateForm(const std::function<void(TForm1 &)> &beforeShow = {});
    TForm1 &Form() { return *form_; }

    // Processes events until the condition holds (5 s at most).
    static bool WaitFor(const std::function<bool()> &condition);

    // Components by the names of the design.
    template <typename T>
    T *Get(const char *name) const
    {
        T *widget = form_->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString Text(const char *label) const;
    QTabWidget *PageControl() const { return Get<QTabWidget>("PageControl"); }
    QWidget *CurrentPage() const { return PageControl()->currentWidget(); }
    bool TabVisible(const char *page) const;
    int OuterHeight() const { return form_->frameGeometry().height(); }

    Collected collected;

private:
    std::unique_ptr<TForm1> form_;
};

} // namespace mardune::testing
