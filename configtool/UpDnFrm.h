// TLoad: the small modal dialog in which every transfer between the tool
// and the reader runs, one step per tick of its 500 ms timer.
#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

class QLabel;
class QTimer;

namespace Ui {
class TLoad;
}

enum TActionMode { amUpload, amDownload };
enum TActionState { asConfig, asBefore, asAfter, asRemove };

class TLoad : public QDialog {
    Q_OBJECT

public:
    explicit TLoad(QWidget *parent = nullptr);
    ~TLoad() override;

    QLabel *LabelA() const;
    QTimer *Timer() const { return FTimer; }

    TActionMode ActionMode = amUpload;
    TActionState ActionState = asConfig;
    int32_t RptCnt = 0;

private:
    std::unique_ptr<Ui::TLoad> ui;
    QTimer *FTimer; // child of the dialog, off until a transfer starts
};
