#pragma once

#include "link/SerialPorts.h"

#include <QDialog>

class QComboBox;
class QLabel;
class StringTable;

// The system's serial ports and the device that COM1 and COM2 each stand for. It shows
// the ports it is given, so that any list (a pty in a test) can stand in for the system's.
// A mapped device that is missing, busy or not permitted is marked beside its choice, as
// `brisk ports` marks it: once when the dialog opens and again whenever another is chosen.
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
    QLabel *stateLabel(QComboBox *choice, const char *name);
    void showState(QLabel *label, const QString &device);

    QComboBox *cboCom1;
    QComboBox *cboCom2;
};
