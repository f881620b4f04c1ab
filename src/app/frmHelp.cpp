#include "frmHelp.h"

#include <QAction>
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
    // Closed from the keyboard as a desktop's own viewers are.
    auto *closing = new QAction(this);
    closing->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    connect(closing, &QAction::triggered, this, &QWidget::close);
    addAction(closing);
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
