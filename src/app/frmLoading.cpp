#include "frmLoading.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

frmLoading::frmLoading(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmLoading"));
    auto *box = new QFrame(this);
    box->setFrameShape(QFrame::Box);
    auto *text = new QLabel(QStringLiteral("Loading ...."), box);
    text->setAlignment(Qt::AlignCenter);
    (new QVBoxLayout(box))->addWidget(text);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(box);
    resize(QSize(170, 70).expandedTo(sizeHint()));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
