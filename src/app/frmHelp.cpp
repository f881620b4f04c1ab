#include "frmHelp.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

frmHelp::frmHelp(QWidget *parent) : QWidget(parent, Qt::Window), txtHelp(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("frmHelp"));
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    txtHelp->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtHelp);
    connect(txtHelp, &QTextBrowser::sourceChanged, this, [this] { setWindowTitle(txtHelp->documentTitle()); });
    resize(720, 640);
}

void frmHelp::showPage(const QString &path)
{
    txtHelp->setSource(QUrl::fromLocalFile(path));
    show();
    raise();
    activateWindow();
}

void showHelpWindow(QWidget *owner, const QString &path)
{
    auto *help = owner ? owner->findChild<frmHelp *>() : nullptr;
    if (!help) {
        help = new frmHelp(owner);
        if (!owner)
            help->setAttribute(Qt::WA_DeleteOnClose);
    }
    help->showPage(path);
}
