// TFormSplash: the borderless product picture shown while the main window
// is built, centred on the desktop. It has no behaviour of its own.
#pragma once

#include "Forms.h"
#include "ui_SplashScreen.h"

class TFormSplash : public TForm {
public:
    TFormSplash();

private:
    Ui::TFormSplash ui;
};
