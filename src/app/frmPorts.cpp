#include "frmPorts.h"

#include "StringTable.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidget *portList(const QList<SerialPortEntry> &ports, QWidget *parent)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(QStringLiteral("lstPorts"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels({frmPorts::tr("Device"), frmPorts::tr("Description"), frmPorts::tr("Manufacturer"),
                           frmPorts::tr("Serial number"), frmPorts::tr("Stable name")});
    for (const SerialPortEntry &port : ports)
        list->addTopLevelItem(
            new QTreeWidgetItem(QStringList{QDir::toNativeSeparators(port.device), port.description, port.manufacturer,
                                            port.serialNumber, QDir::toNativeSeparators(port.stableName)}));
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
        choice->addItem(QDir::toNativeSeparators(port.preferredName()));
    choice->setCurrentText(QDir::toNativeSeparators(current));
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
    setWindowTitle(tr("Serial Port Devices"));

    auto *hint = new QLabel(
        tr("Choose the device for COM1 and COM2. A name in /dev/serial/by-id stays the same when the adapter "
           "is plugged in again."),
        this);
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setWordWrap(true);
    auto *choices = new QFormLayout;
    for (const auto &[com, choice, state] :
         {std::tuple{Txt::MenuCom1, cboCom1, "lblCom1State"}, std::tuple{Txt::MenuCom2, cboCom2, "lblCom2State"}}) {
        auto *row = new QHBoxLayout;
        row->addWidget(choice);
        row->addWidget(stateLabel(choice, state), 1);
        choices->addRow(texts(com), row);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *page = new QVBoxLayout(this);
    page->addWidget(portList(ports, this), 1);
    page->addWidget(hint);
    page->addLayout(choices);
    page->addWidget(buttons);
    resize(sizeHint().expandedTo(QSize(640, 320)));
}

// Probed when the dialog opens and when a device is picked or typed in full, never while
// a path is half typed: the probe opens the device.
QLabel *frmPorts::stateLabel(QComboBox *choice, const char *name)
{
    auto *label = new QLabel(this);
    label->setObjectName(QLatin1String(name));
    const auto probe = [this, choice, label] { showState(label, choice->currentText().trimmed()); };
    connect(choice, &QComboBox::activated, this, probe);
    connect(choice->lineEdit(), &QLineEdit::editingFinished, this, probe);
    probe();
    return label;
}

void frmPorts::showState(QLabel *label, const QString &device)
{
    QString reason;
    const SerialPorts::State state = SerialPorts::probe(device, &reason);
    switch (state) {
    case SerialPorts::State::Free:
        label->clear();
        break;
    case SerialPorts::State::Missing:
        label->setText(tr("missing"));
        break;
    case SerialPorts::State::Busy:
        label->setText(tr("busy"));
        break;
    case SerialPorts::State::NotPermitted:
        label->setText(tr("not permitted"));
        reason += QLatin1Char('\n') + tr("Add your user to the device's group (e.g. dialout), then log in again.");
        break;
    case SerialPorts::State::Unusable:
        label->setText(tr("unusable"));
        break;
    }
    label->setToolTip(reason);
}

QString frmPorts::device(const QString &comName) const
{
    return (comName == QLatin1String("COM2") ? cboCom2 : cboCom1)->currentText().trimmed();
}
