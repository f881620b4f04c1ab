#pragma once

#include <QWidget>

// "Loading ...." in a framed box, centred on the screen while the program starts.
class frmLoading : public QWidget
{
    Q_OBJECT

public:
    explicit frmLoading(QWidget *parent = nullptr);
};
