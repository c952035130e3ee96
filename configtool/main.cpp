// Mardune, the USB RFID Configuration Tool: the start-up.
#include "CheckPrevious.h"
#include "SplashScreen.h"
#include "SplashTiming.h"
#include "UnexpectedError.h"
#include "Unit1.h"

#include <QFont>
#include <QIcon>
#include <QPointer>

#include <chrono>
#include <thread>

namespace {

const char *const ApplicationTitle = "Usb RFID Configuration Tool";

// The windows live until the program ends.
QPointer<TForm1> Form1;

int Run(TApplication &app)
{
    // Only one copy of this program file runs; a second start brings the
    // first forward and ends at once, without a splash.
    if (CheckInstanceLimit([] { return Form1.data(); }, 1))
        return 0;

    const uint32_t start = GetTickCount();
    TFormSplash splash;
    splash.show();
    QCoreApplication::processEvents();

    QCoreApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    TForm1 form;
    Form1 = &form; // it creates the transfer dialog

    // The splash stays up for SplashMinTime in all.
    const uint32_t wait = SplashWait(SplashRemaining(start, GetTickCount()));
    if (wait > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    splash.hide();
    QCoreApplication::processEvents();

    form.show();
    app.exec();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/logo.svg"))); // the picture installed as the desktop icon
    // Where Tahoma is missing, a face of about its size.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                                          QStringLiteral("DejaVu Sans")});
    int result = 1;
    try {
        result = Run(app);
    } catch (...) {
        // An error during start-up ends it, with its message.
        ShowUnexpectedError(CurrentExceptionMessage());
    }
    CheckPreviousCleanup();
    return result;
}
