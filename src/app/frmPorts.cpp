#include "frmPorts.h"

#include "StringTable.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

using Added = StringTable::Added;

QTreeWidget *portList(const StringTable &texts, const QList<SerialPortEntry> &ports, QWidget *parent)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(QStringLiteral("lstPorts"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels({texts(Added::Device), texts(Added::Description), texts(Added::Manufacturer),
                           texts(Added::SerialNumber), texts(Added::StableName)});
    for (const SerialPortEntry &port : ports)
        list->addTopLevelItem(new QTreeWidgetItem(
            QStringList{port.device, port.description, port.manufacturer, port.serialNumber, port.stableName}));
    for (int column = 0; column < list->columnCount(); ++column)
        list->resizeColumnToContents(column);
    return list;
}

// Lists every port by the name to map it to; any other device path can be typed.
QComboBox *deviceChoice(const QList<SerialPortEntry> &ports, const QString &current, const char *name, QWidget *parent)
{
    auto *choice = new QComboBox(parent);
    choice->setObjectName(QLatin1String(name));
    choice->setEditable(true);
    choice->setInsertPolicy(QComboBox::NoInsert);
    choice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const SerialPortEntry &port : ports)
        choice->addItem(port.preferredName());
    choice->setCurrentText(current);
    return choice;
}

} // namespace

frmPorts::frmPorts(const StringTable &texts, const QList<SerialPortEntry> &ports, const QString &com1,
                   const QString &com2, QWidget *parent)
    : QDialog(parent), cboCom1(deviceChoice(ports, com1, "cboCom1", this)),
      cboCom2(deviceChoice(ports, com2, "cboCom2", this))
{
    setObjectName(QStringLiteral("frmPorts"));
    setModal(true);
    setWindowTitle(texts(Added::DevicesTitle));

    auto *hint = new QLabel(texts(Added::DevicesHint), this);
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setWordWrap(true);
    auto *choices = new QFormLayout;
    choices->addRow(texts(Txt::MenuCom1), cboCom1);
    choices->addRow(texts(Txt::MenuCom2), cboCom2);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *page = new QVBoxLayout(this);
    page->addWidget(portList(texts, ports, this), 1);
    page->addWidget(hint);
    page->addLayout(choices);
    page->addWidget(buttons);
    resize(sizeHint().expandedTo(QSize(640, 320)));
}

QString frmPorts::device(const QString &comName) const
{
    return (comName == QLatin1String("COM2") ? cboCom2 : cboCom1)->currentText().trimmed();
}
