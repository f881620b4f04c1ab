#include "frmRadioType.h"

#include "clone/RadioType.h"
#include "clone/TypeRead.h"
#include "flash/AdjustFile.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

frmRadioType::frmRadioType(const QString &preselected, QWidget *parent)
    : QDialog(parent), lstType(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("frmRadioType"));
    setModal(true);
    setWindowTitle(tr("Radio Type"));

    auto *hint = new QLabel(tr("No type has been read from the radio. Choose the radio's market type: it decides "
                               "which ADJUST file is written."),
                            this);
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setWordWrap(true);

    lstType->setObjectName(QStringLiteral("lstType"));
    lstType->setRootIsDecorated(false);
    lstType->setHeaderLabels({tr("Type"), tr("ADJUST file")});
    for (const QString &label : typeLabels()) {
        auto *row = new QTreeWidgetItem(QStringList{label, adjustRelativeName(radioTypeOf(label))});
        lstType->addTopLevelItem(row);
        if (label == preselected)
            lstType->setCurrentItem(row);
    }
    lstType->resizeColumnToContents(0);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lstType, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);

    auto *page = new QVBoxLayout(this);
    page->addWidget(hint);
    page->addWidget(lstType, 1);
    page->addWidget(buttons);
    resize(sizeHint().expandedTo(QSize(420, 460)));
}

QString frmRadioType::chosenType() const
{
    return lstType->currentItem() ? lstType->currentItem()->text(0) : QString();
}
