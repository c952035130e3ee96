// Mardune, the USB RFID Configuration Tool: the start-up.
#include "CheckPrevious.h"
#include "CommandLine.h"
#include "SplashScreen.h"
#include "SplashTiming.h"
#include "UnexpectedError.h"
#include "Unit1.h"

#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <QPointer>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

const char *const ApplicationTitle = "Usb RFID Configuration Tool";

// The windows live until the program ends.
QPointer<TForm1> Form1;

int Run(TApplication &app)
{
    // Only one copy of this program file runs; a second start brings the
    // first forward, hands it its file (by absolute path: the first works
    // in another folder) and ends at once, without a splash.
    QString fileName = ConfigFileArgument(QCoreApplication::arguments());
    if (!fileName.isEmpty())
        fileName = QFileInfo(fileName).absoluteFilePath();
    if (CheckInstanceLimit([] { return Form1.data(); }, 1, fileName))
        return 0;

    const uint32_t start = TickCount();
    TFormSplash splash;
    splash.show();
    QCoreApplication::processEvents();

    QCoreApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    TForm1 form;
    Form1 = &form; // it creates the transfer dialog
    // Files that later starts hand over load as the start-up's own does.
    SetLaterStartFileHandler([](const QString &file) {
        if (Form1)
            Form1->OpenLaterStartFile(file);
    });

    // The splash stays up for SplashMinTime in all.
    const uint32_t wait = SplashWait(SplashRemaining(start, TickCount()));
    if (wait > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    splash.hide();
    QCoreApplication::processEvents();

    form.show();
    app.exec();
    return 0;
}

int Print(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    // --help and --version answer before any window, and so without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    switch (StartAction(arguments)) {
    case saHelp:
        return Print(HelpText());
    case saVersion:
        return Print(VersionText());
    case saRun:
        break;
    }

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
