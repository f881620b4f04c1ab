#include "frmAbout.h"

#include "StringTable.h"

#include "AppIcon.h"
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

QLabel *label(QWidget *parent, const char *name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

frmAbout::frmAbout(const StringTable &texts, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    const QString partNumber = texts(Txt::PartNumber);
    setWindowTitle(partNumber + QStringLiteral(" - Version infomation"));

    auto *picIcon = label(this, "picIcon", QString());
    picIcon->setPixmap(appIcon().pixmap(QSize(36, 36)));
    picIcon->setFixedSize(36, 36);
    auto *lblTitle = label(this, "lblTitle", partNumber);
    QFont big = lblTitle->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    lblTitle->setFont(big);
    auto *cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setMinimumWidth(92);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 12);
    grid->setHorizontalSpacing(20);
    grid->addWidget(picIcon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(label(this, "lblVersion", QStringLiteral("Version 1.00")), 1, 1);
    grid->addWidget(label(this, "lblDate", QStringLiteral("DEC 20 2000")), 2, 1);
    grid->addWidget(cmdOK, 3, 0, 1, 2, Qt::AlignHCenter);
    grid->setRowMinimumHeight(3, 40);

    resize(QSize(302, 159).expandedTo(sizeHint()));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
