#include "MainControls.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

template <typename T> T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

QLabel *messageLabel(QWidget *parent, const char *name)
{
    auto *label = named(new QLabel(parent), name);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setMinimumHeight(label->fontMetrics().height() * 2);
    return label;
}

QPushButton *button(QWidget *parent, const char *name, int minimumHeight)
{
    auto *b = named(new QPushButton(parent), name);
    b->setMinimumHeight(minimumHeight);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return b;
}

// A hidden control keeps its room, so the window does not jump between states.
void keepRoomWhenHidden(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

QMenu *menu(QMenuBar *bar, const char *name)
{
    auto *m = named(bar->addMenu(QString()), name);
    m->menuAction()->setObjectName(QLatin1String(name));
    return m;
}

QAction *item(QMenu *menu, const char *name)
{
    return named(menu->addAction(QString()), name);
}

void buildMenus(QMainWindow *window, MainControls &c)
{
    QMenuBar *bar = window->menuBar();
    c.mnuMenu1 = menu(bar, "mnuMenu1");
    c.mnuMenu11 = item(c.mnuMenu1, "mnuMenu11");
    c.mnuMenu12 = item(c.mnuMenu1, "mnuMenu12");
    c.mnuMenu2 = menu(bar, "mnuMenu2");
    c.mnuMenu21 = item(c.mnuMenu2, "mnuMenu21");
    c.mnuMenu22 = item(c.mnuMenu2, "mnuMenu22");
    c.mnuMenu3 = menu(bar, "mnuMenu3");
    c.mnuMenu31 = named(c.mnuMenu3->addMenu(QString()), "mnuMenu31");
    c.mnuMenu311 = item(c.mnuMenu31, "mnuMenu311");
    c.mnuMenu312 = item(c.mnuMenu31, "mnuMenu312");
    for (QAction *port : {c.mnuMenu311, c.mnuMenu312})
        port->setCheckable(true);
    c.mnuMenu31->addSeparator();
    c.mnuMenu313 = item(c.mnuMenu31, "mnuMenu313");
    c.mnuMenu31->setToolTipsVisible(true); // COM1 and COM2 show their devices
    // Entries without items: choosing them acts at once.
    c.mnuMenu4 = named(bar->addAction(QString()), "mnuMenu4");
    c.mnuMenu5 = named(bar->addAction(QString()), "mnuMenu5");
}

} // namespace

QList<QAction *> MainControls::menuBarEntries() const
{
    return {mnuMenu1->menuAction(), mnuMenu2->menuAction(), mnuMenu3->menuAction(), mnuMenu4, mnuMenu5};
}

void MainControls::setMenusEnabled(bool enabled) const
{
    // A menu's own widget must follow too: the bar draws and opens it by that.
    for (QMenu *menu : {mnuMenu1, mnuMenu2, mnuMenu3})
        menu->setEnabled(enabled);
    for (QAction *entry : menuBarEntries())
        entry->setEnabled(enabled);
}

namespace {

// The window is disabled while it works; what it says then must stay readable.
void readableWhenDisabled(QWidget *widget)
{
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    widget->setPalette(palette);
}

} // namespace

MainControls buildMainControls(QMainWindow *window)
{
    MainControls c;
    buildMenus(window, c);

    auto *central = new QWidget(window);
    central->setObjectName(QStringLiteral("centralWidget"));
    window->setCentralWidget(central);

    c.lblAction = messageLabel(central, "lblAction");
    QFont bold = c.lblAction->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    c.lblAction->setFont(bold);
    c.lblInstruction = messageLabel(central, "lblInstruction");
    c.lblCaution = messageLabel(central, "lblCaution");
    c.lblPrepared = messageLabel(central, "lblPrepared");
    c.lblPrepared->setTextInteractionFlags(Qt::TextSelectableByMouse); // a path can be copied

    const int rowHeight = central->fontMetrics().height();
    c.cmdMRead = button(central, "cmdMRead", rowHeight * 3);
    c.cmdAdjust = button(central, "cmdAdjust", rowHeight * 3);
    c.cmdUser = button(central, "cmdUser", rowHeight * 3);
    c.cmdMWrite = button(central, "cmdMWrite", rowHeight * 3);
    c.lblType = named(new QLabel(central), "lblType");
    c.lblType->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    c.cmdExec = button(central, "cmdExec", rowHeight * 4);
    c.cmdCancel = button(central, "cmdCancel", rowHeight * 4);
    QFont strong = c.cmdExec->font();
    strong.setBold(true);
    c.cmdExec->setFont(strong); // the one button that acts on the radio
    c.barMain = named(new QProgressBar(central), "barMain");
    c.barMain->setRange(0, 100);
    c.barMain->setFormat(QStringLiteral("%p %"));
    for (QWidget *w :
         {static_cast<QWidget *>(c.cmdExec), static_cast<QWidget *>(c.cmdCancel), static_cast<QWidget *>(c.barMain)})
        keepRoomWhenHidden(w);

    for (QWidget *w : {static_cast<QWidget *>(c.lblAction), static_cast<QWidget *>(c.lblInstruction),
                       static_cast<QWidget *>(c.lblCaution), static_cast<QWidget *>(c.lblPrepared),
                       static_cast<QWidget *>(c.lblType), static_cast<QWidget *>(c.barMain)})
        readableWhenDisabled(w);

    auto *actions = new QVBoxLayout;
    actions->setSpacing(rowHeight / 2);
    for (QPushButton *b : c.preparationButtons())
        actions->addWidget(b);
    actions->addStretch();

    auto *run = new QVBoxLayout;
    run->setSpacing(rowHeight / 2);
    run->addWidget(c.lblType);
    run->addWidget(c.cmdExec);
    run->addWidget(c.cmdCancel);
    run->addStretch();

    auto *middle = new QHBoxLayout;
    middle->setContentsMargins(rowHeight / 2, 0, rowHeight / 2, 0);
    middle->setSpacing(rowHeight * 2);
    middle->addLayout(actions, 3);
    middle->addLayout(run, 2);

    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(rowHeight / 2, 0, rowHeight / 2, rowHeight / 2);
    bottom->addWidget(c.barMain);

    // The labels run from edge to edge: long instructions get the whole width.
    auto *page = new QVBoxLayout(central);
    page->setContentsMargins(0, rowHeight / 2, 0, 0);
    page->addWidget(c.lblAction);
    page->addWidget(c.lblInstruction);
    page->addWidget(c.lblCaution);
    page->addWidget(c.lblPrepared);
    page->addSpacing(rowHeight / 2);
    page->addLayout(middle, 1);
    page->addSpacing(rowHeight / 2);
    page->addLayout(bottom);

    c.lblStatus = named(new QLabel(window), "lblStatus");
    c.lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    window->statusBar()->addWidget(c.lblStatus, 1);
    window->statusBar()->setSizeGripEnabled(false);
    return c;
}
