// TForm1: saving the reader's keyboard configuration to a file, and loading
// a file into the reader (from the File menu and from the command line).
#include "CommandLine.h"
#include "ConfigFile.h"
#include "Dialogs.h"
#include "Unit1.h"
#include "UpDnFrm.h"
#include "ui_Unit1.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <optional>
#include <string>

namespace {

const char *const FileFilter = "USB RFID Config|*.rfc";
const char *const FileSuffix = "rfc";

TArgumentsHook &ArgumentsHook()
{
    static TArgumentsHook hook;
    return hook;
}

std::string LocalName(const QString &fileName)
{
    return QFile::encodeName(fileName).toStdString();
}

} // namespace

void SetArgumentsHook(TArgumentsHook hook)
{
    ArgumentsHook() = std::move(hook);
}

void TForm1::SetupFileMenu()
{
    connect(ui->Open1, &QAction::triggered, this, &TForm1::Open1Click);
    connect(ui->SaveAs1, &QAction::triggered, this, &TForm1::SaveAs1Click);
}

void TForm1::SaveAs1Click()
{
    if (!RFID_OpenDevice()) {
        ShowMessage(QStringLiteral("Usb RFID Card Reader must be connected to upload configuration!"));
        return;
    }
    // The reader into ConfigBits, the buffers and the pages. A file holds
    // only what the reader gave: a read that fails ends the save with one
    // message, which carries that read's report, instead of its own box.
    QString readError;
    if (FLoad->UploadForSaving(readError) != mrOk) {
        ShowMessage(QStringLiteral("The configuration could not be read from the USB RFID device; no file was saved.\n") +
                    readError.trimmed());
        return;
    }
    TFileDialogRequest request;
    request.save = true;
    request.filter = QString::fromLatin1(FileFilter);
    request.fileName = FSaveFileName;
    request.defaultSuffix = QString::fromLatin1(FileSuffix);
    const QString fileName = ExecuteFileDialog(this, request);
    if (fileName.isEmpty())
        return;
    FSaveFileName = fileName;
    // One line feed between the lines: LF CR would draw as two breaks.
    if (!ConfirmOkCancel(QStringLiteral("All data will be read from USB RFID device and stored in a file!\n"
                                        "Do you want to do this?")))
        return;
    TKeyboardConfig config;
    config.Before = BeforeReport;
    config.ConfByte = ConfigBits;
    config.After = AfterReport;
    config.Remove = RemoveReport;
    WriteConfigFile(LocalName(fileName), config); // throws on a failed write
}

void TForm1::Open1Click()
{
    if (!RFID_OpenDevice()) {
        ShowMessage(QStringLiteral("Usb RFID Card Reader must be connected to download configuration!"));
        return;
    }
    TFileDialogRequest request;
    request.filter = QString::fromLatin1(FileFilter);
    request.fileName = FOpenFileName;
    const QString fileName = ExecuteFileDialog(this, request);
    if (fileName.isEmpty())
        return;
    FOpenFileName = fileName;
    LoadConfigFile(fileName);
}

void TForm1::LoadConfigFile(const QString &fileName)
{
    if (!ConfirmOkCancel(QStringLiteral("Opening this file will set all the configuration on USB RFID device\n"
                                        "All data on the device will be lost!\n"
                                        "Do you want to do this?")))
        return;
    // A file that is no configuration (or too large to be one) is refused
    // before anything goes into the reader.
    std::string error;
    const std::optional<TKeyboardConfig> read = ReadConfigFileChecked(LocalName(fileName), error);
    if (!read) {
        QString text = QString::fromLocal8Bit(error);
        text[0] = text[0].toUpper(); // error is not empty
        ShowMessage(text + QStringLiteral(".\nNothing was written to the reader."));
        return;
    }
    const TKeyboardConfig &config = *read;
    BeforeReport = config.Before;
    ConfigBits = config.ConfByte;
    AfterReport = config.After;
    RemoveReport = config.Remove;
    // Written into the reader, then read back so that the pages show what
    // the reader holds; neither result is looked at.
    FLoad->Download();
    FLoad->Upload();
}

void TForm1::StartupLoad()
{
    const QStringList arguments = ArgumentsHook() ? ArgumentsHook()() : QCoreApplication::arguments();
    const QString fileName = ConfigFileArgument(arguments);
    if (!fileName.isEmpty())
        LoadConfigFile(fileName);
}

void TForm1::OpenLaterStartFile(const QString &fileName)
{
    FLaterStartFiles << fileName;
    // Through the event loop, never inside the handler that heard the start.
    QMetaObject::invokeMethod(this, &TForm1::LoadLaterStartFiles, Qt::QueuedConnection);
}

void TForm1::LoadLaterStartFiles()
{
    // After the start-up's own file, and never while a modal window is open:
    // a load asks its own confirmation and runs the one transfer dialog.
    if (!FStartupLoadDone)
        return; // the first show loads them
    while (!FLoadWaiting && !FLaterStartFiles.isEmpty()) {
        if (DialogOpen()) {
            FLoadWaiting = true;
            AfterDialogCloses(this, [this] {
                FLoadWaiting = false;
                LoadLaterStartFiles();
            });
            return;
        }
        // Checked again here, as at start-up: it may have gone meanwhile.
        const QString fileName = FLaterStartFiles.takeFirst();
        if (QFileInfo(fileName).isFile())
            LoadConfigFile(fileName);
    }
}
