#include "UnexpectedError.h"
#include "WindowFixture.h"

int main(int argc, char **argv)
{
    readersim::VirtualBus::ensurePreload(argc, argv);
    mardune::testing::PrepareEnvironment();
    TApplication app(argc, argv);
    QCoreApplication::setApplicationName("Usb RFID Configuration Tool");
    ::testing::InitGoogleTest(&argc, argv);
    mardune::testing::WindowTest::CreateBus();
    const int result = RUN_ALL_TESTS();
    mardune::testing::WindowTest::DestroyBus();
    return result;
}
