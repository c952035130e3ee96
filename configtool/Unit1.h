// TForm1: the tool's main window. The header shows whether a reader is
// attached and what it is; five areas of it lead to the pages of what the
// reader types; the page control below holds one page per group of
// settings. The handlers carry the names of the window's design and are
// written once: the controls they use are the toolkit binding's (Forms.h),
// the Qt widgets on Linux and the system's controls on Windows.
#pragma once

#include "DllImport.h"
#include "Forms.h"
#include "ReportLastError.h"
#include "ReportPage.h"

#include <cstdint>
#include <memory>

class TDeviceMonitor;
class TLoad;
struct TDeviceChange;

namespace Ui {
class TForm1;
}

// The tool's copy of the reader's keyboard configuration, zero at start:
// the configuration byte in the low byte of ConfigBits and the three
// keyboard reports.
extern int32_t ConfigBits;
extern TKeybHIDReport BeforeReport;
extern TKeybHIDReport AfterReport;
extern TKeybHIDReport RemoveReport;

// Outer heights of the window: the status lines only, and everything.
inline constexpr int CompactHeight = 152;
inline constexpr int FullHeight = 488;

class TForm1 : public TForm {
public:
    TForm1();
    ~TForm1() override;

    // Device status.
    void RefreshDeviceStatus();
    void WMDeviceChange(const TDeviceChange *message);

    // Navigation and menu.
    void SpeedButtonBeforeClick();
    void SpeedButtonCardCodeClick();
    void SpeedButtonAfterClick();
    void SpeedButtonRemoveClick();
    void Exit1MenuClick();
    void LabelMailClick();
    void Label27Click();

    // The pages' readers answer false when a read failed, which they report
    // through `report` (by default each in its own box, ReportLastError).

    // Card Code page.
    uint8_t ComposeConfigBits() const;
    void SetEnterSet(bool value);
    bool EnterSet() const { return FEnterSet; }
    bool ShowCardCodeConfig(const TErrorReport &report = ReportLastError);
    bool TabSheetCardCodeShow(const TErrorReport &report = ReportLastError);
    void ButtonSetConfigClick();
    void CheckBoxEnableClick();
    void ButtonPlaySoundClick();
    void SpeedButtonEnterClick();

    // The sound code of an item of the sound list (-1: none selected).
    static uint8_t SoundCode(int itemIndex);

    // Keyboard report pages (Unit1Reports.cpp).
    bool TabSheetAdvancedBeforeShow(const TErrorReport &report = ReportLastError);
    bool TabSheetAdvancedAfterShow(const TErrorReport &report = ReportLastError);
    bool ShowAfterReport(const TErrorReport &report = ReportLastError);
    bool TabSheetRemoveShow(const TErrorReport &report = ReportLastError);
    bool ShowRemoveReport(const TErrorReport &report = ReportLastError);
    void ButtonSetBeforeClick();
    void ButtonSetAfterClick();
    void ButtonRemoveSetClick();
    void ButtonClearBeforeClick();
    void ButtonAfterClearClick();
    void ButtonRemoveClearClick();

    // Prefix / Sufix and Device Mode pages (Unit1Settings.cpp).
    void TabSheetPreSufShow();
    void ButtonSetPrefixSufixClick();
    void TabSheetDeviceModeShow();
    void Button1Click();
    void ShowPreSufNote(); // what the reader cannot keep or type, beside the edits

    // Analyze page (Unit1Analyze.cpp).
    void EditCardCodeInputKeyDown(uint16_t key);
    void ReadClick();
    void ButtonClearClick();

    // Configuration files (Unit1Files.cpp).
    void SaveAs1Click();
    void Open1Click();
    void LoadConfigFile(const TString &fileName);
    // A file that a later start of the program handed over: loaded as the
    // start-up's own file is, after it and whenever no modal window is open.
    void OpenLaterStartFile(const TString &fileName);

    // The transfer dialog, one for the window's life.
    TLoad *Load() const { return FLoad; }

    TDeviceData DevData{};
    bool SettingEnable = false;
    int32_t f = 0;
    int32_t cnt = 0;

protected:
    void DoShow() override;

private:
    void FormCreate();
    void FormShow();
    bool ReadDeviceStatus(); // true: a reader is attached
    void ShowIdentity();
    void ClearIdentity();
    void ShowEnterButton();
    int RadioGroupASCIIItemIndex() const;
    void SetRadioGroupASCIIItemIndex(int index);
    int ComboBoxSoundItemIndex() const;
    void SetupHeader();
    void SetupCardCodePage();
    void SetupReportPages();
    void SetupSettingsPages();
    void SetupAnalyzePage();
    void SetupFileMenu();
    void StartupLoad();
    void LoadLaterStartFiles();

    std::unique_ptr<Ui::TForm1> ui;
    TDeviceMonitor *FMonitor = nullptr; // owned by the window
    bool FRefreshWaiting = false;       // a refresh waits for a modal window to close
    bool FEnterSet = false;
    bool FStartupLoadDone = false;
    TStringList FLaterStartFiles; // handed over, not loaded yet
    bool FLoadWaiting = false;    // their load waits for a modal window to close
    TReportPageControls FBeforePage, FAfterPage, FRemovePage;
    TLoad *FLoad = nullptr;     // owned by the window
    TString FOpenFileName;      // the open dialog's name ("default.rfc" at first)
    TString FSaveFileName;      // the save dialog's name
};
