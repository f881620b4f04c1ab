#include "TerminationSignals.h"

#include <QCoreApplication>
#include <QPointer>

TerminationSignals &TerminationSignals::instance()
{
    static QPointer<TerminationSignals> one;
    if (!one)
        one = new TerminationSignals(QCoreApplication::instance());
    return *one;
}
