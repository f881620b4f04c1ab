#pragma once

#include "link/SerialPorts.h"

#include <QDialog>

class QComboBox;
class StringTable;

// The system's serial ports and the device that COM1 and COM2 each stand for. It shows
// the ports it is given, so that any list (a pty in a test) can stand in for the system's.
class frmPorts : public QDialog
{
    Q_OBJECT

public:
    // `com1` and `com2`: the devices mapped now.
    frmPorts(const StringTable &texts, const QList<SerialPortEntry> &ports, const QString &com1, const QString &com2,
             QWidget *parent = nullptr);

    // The device chosen for "COM1" or "COM2".
    QString device(const QString &comName) const;

private:
    QComboBox *cboCom1;
    QComboBox *cboCom2;
};
