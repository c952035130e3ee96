#include "SplashScreen.h"

TFormSplash::TFormSplash()
{
    LoadDesign(ui);
    Centre();
}
