// TForm1: saving the reader's keyboard configuration to a file, and loading
// a file into the reader (from the File menu and from the command line).
#include "CommandLine.h"
#include "ConfigFile.h"
#include "Dialogs.h"
#include "Unit1.h"
#include "UpDnFrm.h"
#include "ui_Unit1.h"

#include <cctype>
#include <optional>
#include <string>

using namespace mardune::literals;

namespace {

// The command line as the start-up load sees it, the program first.
TStringList Arguments()
{
    if (TToolHook *hook = ToolHook())
        if (std::optional<TStringList> arguments = hook->Arguments())
            return *arguments;
    return ApplicationArguments();
}

} // namespace

void TForm1::SetupFileMenu()
{
    OnClick(ui->Open1, [this] { Open1Click(); });
    OnClick(ui->SaveAs1, [this] { SaveAs1Click(); });
}

void TForm1::SaveAs1Click()
{
    if (!RFID_OpenDevice()) {
        ShowMessage(u"Usb RFID Card Reader must be connected to upload configuration!"_s);
        return;
    }
    // The reader into ConfigBits, the buffers and the pages. A file holds
    // only what the reader gave: a read that fails ends the save with one
    // message, which carries that read's report, instead of its own box.
    TString readError;
    if (FLoad->UploadForSaving(readError) != mrOk) {
        ShowMessage(u"The configuration could not be read from the USB RFID device; no file was saved.\n"_s +
                    Trim(readError));
        return;
    }
    TFileDialogRequest request;
    request.save = true;
    request.filter = u"USB RFID Config|*.rfc"_s;
    request.fileName = FSaveFileName;
    request.defaultSuffix = u"rfc"_s;
    const TString fileName = ExecuteFileDialog(this, request);
    if (IsEmpty(fileName))
        return;
    FSaveFileName = fileName;
    // One line feed between the lines: LF CR would draw as two breaks.
    if (!ConfirmOkCancel(u"All data will be read from USB RFID device and stored in a file!\n"
                         u"Do you want to do this?"_s))
        return;
    TKeyboardConfig config;
    config.Before = BeforeReport;
    config.ConfByte = ConfigBits;
    config.After = AfterReport;
    config.Remove = RemoveReport;
    WriteConfigFile(FileSystemName(fileName), config); // throws on a failed write
}

void TForm1::Open1Click()
{
    if (!RFID_OpenDevice()) {
        ShowMessage(u"Usb RFID Card Reader must be connected to download configuration!"_s);
        return;
    }
    TFileDialogRequest request;
    request.filter = u"USB RFID Config|*.rfc"_s;
    request.fileName = FOpenFileName;
    const TString fileName = ExecuteFileDialog(this, request);
    if (IsEmpty(fileName))
        return;
    FOpenFileName = fileName;
    LoadConfigFile(fileName);
}

void TForm1::LoadConfigFile(const TString &fileName)
{
    if (!ConfirmOkCancel(u"Opening this file will set all the configuration on USB RFID device\n"
                         u"All data on the device will be lost!\n"
                         u"Do you want to do this?"_s))
        return;
    // A file that is no configuration (or too large to be one) is refused
    // before anything goes into the reader.
    std::string error;
    const std::optional<TKeyboardConfig> read = ReadConfigFileChecked(FileSystemName(fileName), error);
    if (!read) {
        if (!error.empty()) // a sentence of its own
            error[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(error[0])));
        ShowMessage(FromFileSystemText(error) + u".\nNothing was written to the reader."_s);
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
    const TString fileName = ConfigFileArgument(Arguments());
    if (!IsEmpty(fileName))
        LoadConfigFile(fileName);
}

void TForm1::OpenLaterStartFile(const TString &fileName)
{
    FLaterStartFiles.push_back(fileName);
    // Through the event loop, never inside the handler that heard the start.
    Later(this, [this] { LoadLaterStartFiles(); });
}

void TForm1::LoadLaterStartFiles()
{
    // After the start-up's own file, and never while a modal window is open:
    // a load asks its own confirmation and runs the one transfer dialog.
    if (!FStartupLoadDone)
        return; // the first show loads them
    while (!FLoadWaiting && !FLaterStartFiles.empty()) {
        if (DialogOpen()) {
            FLoadWaiting = true;
            AfterDialogCloses(this, [this] {
                FLoadWaiting = false;
                LoadLaterStartFiles();
            });
            return;
        }
        // Checked again here, as at start-up: it may have gone meanwhile.
        const TString fileName = FLaterStartFiles.front();
        FLaterStartFiles.erase(FLaterStartFiles.begin());
        if (FileExists(fileName))
            LoadConfigFile(fileName);
    }
}
