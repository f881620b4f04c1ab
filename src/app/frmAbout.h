#pragma once

#include <QDialog>

class StringTable;

// The program's icon, its part number, version and date; closed with OK.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(const StringTable &texts, QWidget *parent = nullptr);
};
