#include "SplashScreen.h"

#include "ui_SplashScreen.h"

#include <QGuiApplication>
#include <QScreen>

TFormSplash::TFormSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), ui(std::make_unique<Ui::TFormSplash>())
{
    ui->setupUi(this);
    setFixedSize(size());
    // Centred on the desktop.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

TFormSplash::~TFormSplash() = default;
