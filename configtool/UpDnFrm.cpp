#include "UpDnFrm.h"

#include "ui_UpDnFrm.h"

#include <QTimer>

TLoad::TLoad(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TLoad>()), FTimer(new QTimer(this))
{
    ui->setupUi(this);
    setFixedSize(size());
    FTimer->setObjectName(QStringLiteral("Timer"));
    FTimer->setInterval(500);
}

TLoad::~TLoad() = default;

QLabel *TLoad::LabelA() const
{
    return ui->LabelA;
}
