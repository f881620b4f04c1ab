#include "OperatorDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

void DesktopDialogs::message(QWidget *parent, const QString &text, Icon icon, const QString &title,
                             const QString &detail)
{
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, title, text, QMessageBox::Ok,
                    parent);
    if (!detail.isEmpty())
        box.setDetailedText(detail);
    box.exec();
}

QString DesktopDialogs::chooseFileToOpen(QWidget *parent, const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, title, QString(), qtFileFilter(filter));
}

QString DesktopDialogs::chooseFileToSave(QWidget *parent, const QString &title, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, title, QString(), qtFileFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void DesktopDialogs::openDocument(const QString &path)
{
    // Like the shell's "open": a missing page or viewer gives no message.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString qtFileFilter(const QString &pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &name = parts[i];
        // Qt takes the patterns from the parentheses that close the name.
        if (name.endsWith(QLatin1Char(')')) && name.contains(QLatin1Char('(')))
            entries << name;
        else
            entries << name + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}
