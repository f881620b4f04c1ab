#pragma once

#include <QWidget>

class QTextBrowser;

// A help page in a window of the program's own, for a desktop that cannot show it.
class frmHelp : public QWidget
{
    Q_OBJECT

public:
    explicit frmHelp(QWidget *parent = nullptr);
    void showPage(const QString &path);

private:
    QTextBrowser *txtHelp;
};

// Shows `path` in the one help window that belongs to `owner`, making it if need be.
void showHelpWindow(QWidget *owner, const QString &path);
