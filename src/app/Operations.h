#pragma once

#include "store/Services.h"

#include <QSqlDatabase>
#include <QString>

// The operations the window's actions call, each as its own module defines it.
// The window calls them through this interface so that tests can make any of them
// fail on purpose; RadioOperations calls the real ones.
class Operations
{
public:
    virtual ~Operations() = default;

    virtual bool fncImportMotFile(WindowServices &window, const QString &path, const QString &table) = 0;
    virtual bool fncImportFirmwareFile(WindowServices &window, const QString &path, const QString &table) = 0;
    virtual bool isWritableImage(QSqlDatabase db, const QString &table, QString *reason) = 0;
    virtual bool fncTransmitBootProgram(WindowServices &window) = 0;
    virtual bool fncTransmitProgram(WindowServices &window, const QString &table) = 0;

    virtual QString fncTypeRead(WindowServices &window) = 0;
    virtual bool fncMenuRead(WindowServices &window) = 0;
    virtual bool fncMemoryChennelRead(WindowServices &window) = 0;
    virtual bool fncExportCsvFile(WindowServices &window, const QString &path) = 0;
    virtual bool fncImportCsvFile(WindowServices &window, const QString &path) = 0;
    virtual bool fncMenuWrite(WindowServices &window) = 0;
    virtual bool fncMemoryChennelWrite(WindowServices &window) = 0;
};

class RadioOperations : public Operations
{
public:
    bool fncImportMotFile(WindowServices &window, const QString &path, const QString &table) override;
    bool fncImportFirmwareFile(WindowServices &window, const QString &path, const QString &table) override;
    bool isWritableImage(QSqlDatabase db, const QString &table, QString *reason) override;
    bool fncTransmitBootProgram(WindowServices &window) override;
    bool fncTransmitProgram(WindowServices &window, const QString &table) override;

    QString fncTypeRead(WindowServices &window) override;
    bool fncMenuRead(WindowServices &window) override;
    bool fncMemoryChennelRead(WindowServices &window) override;
    bool fncExportCsvFile(WindowServices &window, const QString &path) override;
    bool fncImportCsvFile(WindowServices &window, const QString &path) override;
    bool fncMenuWrite(WindowServices &window) override;
    bool fncMemoryChennelWrite(WindowServices &window) override;
};
