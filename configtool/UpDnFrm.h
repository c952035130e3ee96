// TLoad: the small modal dialog in which every transfer between the tool
// and the reader runs, one step per tick of its 500 ms timer. Upload reads
// the reader into the tool, Download writes the tool's values into it.
#pragma once

#include "Forms.h"

#include <cstdint>
#include <memory>

class TForm1;

namespace Ui {
class TLoad;
}

enum TActionMode { amUpload, amDownload };
enum TActionState { asConfig, asBefore, asAfter, asRemove };

// Failed download writes a transfer may retry (the fifth failure ends it).
inline constexpr int32_t MaxRetries = 4;

class TLoad : public TDialog {
public:
    // The window whose pages read the reader during an upload.
    explicit TLoad(TForm1 *form);
    ~TLoad() override;

    TModalResult Upload();
    TModalResult Download();
    // An upload that must read everything, for a save: the first read that
    // fails ends it with Cancel, its report (as ReportLastError words it,
    // on the debugger output too) in `readError` instead of a box.
    TModalResult UploadForSaving(TString &readError);
    // One step of the transfer.
    void TimerTimer();

    TLabel *LabelA() const;
    TTimer *Timer() const { return FTimer; }

    TActionMode ActionMode = amUpload;
    TActionState ActionState = asConfig;
    int32_t RptCnt = 0;

protected:
    // The user cannot close the dialog: the sequence runs to its end.
    bool CloseQuery() override { return false; }

private:
    TModalResult Run();
    TModalResult StartUpload();
    void UploadStep();
    void DownloadStep();
    void Finish(TModalResult result);

    std::unique_ptr<Ui::TLoad> ui;
    TForm1 *FForm;
    TTimer *FTimer;               // owned by the dialog, off until a transfer starts
    bool FInStep = false;         // a tick while a step waits in a message box is skipped
    TString *FReadError = nullptr; // set during UploadForSaving: where its failure goes
};
