#pragma once

#include <QDialog>

class QTreeWidget;

// Asks the operator for the radio's market type when none has been read from the
// radio: each type with the ADJUST file it writes, one of them preselected.
class frmRadioType : public QDialog
{
    Q_OBJECT

public:
    explicit frmRadioType(const QString &preselected, QWidget *parent = nullptr);

    // The chosen type label; "" when none is selected.
    QString chosenType() const;

private:
    QTreeWidget *lstType;
};
