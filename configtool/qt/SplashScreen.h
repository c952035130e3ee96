// TFormSplash: the borderless product picture shown while the main window
// is built. It has no behaviour of its own.
#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class TFormSplash;
}

class TFormSplash : public QWidget {
    Q_OBJECT

public:
    explicit TFormSplash(QWidget *parent = nullptr);
    ~TFormSplash() override;

private:
    std::unique_ptr<Ui::TFormSplash> ui;
};
