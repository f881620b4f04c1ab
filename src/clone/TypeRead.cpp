#include "TypeRead.h"

#include "link/clsBriskHx7730.h"

namespace {

constexpr int ExtBit = 8; // set in the first digit of TY P1: no EXT unit
constexpr auto ExtSuffix = " - EXT";

int hexDigitValue(const QString &text)
{
    bool ok = false;
    const int value = text.left(1).toInt(&ok, 16);
    return ok ? value : 0;
}

// P2 counts by its numeric value; anything that is not a digit is 0.
int marketDigit(const QString &p2)
{
    return !p2.isEmpty() && p2.at(0).unicode() >= '0' && p2.at(0).unicode() <= '9' ? p2.at(0).unicode() - '0' : 0;
}

struct Destination
{
    char destination;
    const char *label;
};
constexpr Destination Destinations[] = {{'0', "K"},  {'1', "E2"}, {'2', "E"},  {'4', "M"}, {'6', "E4"},
                                        {'8', "K2"}, {'9', "E5"}, {'A', "E3"}, {'C', "X"}};
constexpr const char *MarketLabels[] = {"J(S)", "J(V)"}; // by P2: 1, 2

// Destination character → label; compared with case, so "a" and "c" match nothing.
QString destinationLabel(const QString &p1)
{
    if (p1.size() >= 2)
        for (const auto &row : Destinations)
            if (p1.at(1) == QLatin1Char(row.destination))
                return QString::fromLatin1(row.label);
    return QStringLiteral("K");
}

} // namespace

bool typeHasExt(const TypeAnswer &answer)
{
    return (hexDigitValue(answer.P1) & ExtBit) == 0;
}

QString typeLabel(const TypeAnswer &answer)
{
    QString label;
    switch (marketDigit(answer.P2)) {
    case 1:
    case 2:
        label = QString::fromLatin1(MarketLabels[marketDigit(answer.P2) - 1]);
        break;
    default:
        label = destinationLabel(answer.P1);
    }
    return typeHasExt(answer) ? label + QLatin1String(ExtSuffix) : label;
}

QStringList typeLabels()
{
    QStringList labels;
    for (const auto &row : Destinations)
        labels << QString::fromLatin1(row.label);
    for (const char *label : MarketLabels)
        labels << QString::fromLatin1(label);
    for (qsizetype i = 0, plain = labels.size(); i < plain; ++i)
        labels << labels.at(i) + QLatin1String(ExtSuffix);
    return labels;
}

QString canonicalTypeLabel(const QString &text)
{
    for (const QString &label : typeLabels())
        if (label.compare(text.simplified(), Qt::CaseInsensitive) == 0)
            return label;
    return {};
}

QString fncTypeRead(WindowServices &window)
{
    clsBriskHx7730 link;
    link.CommOpen(window.settingsText());
    link.AiWrite(QStringLiteral("0"));
    TypeAnswer answer;
    // Without an answer the table would still give a label ("K - EXT"): a type the
    // radio never sent, which would pick the ADJUST file of another market.
    const bool answered = link.TyRead(answer.P1, answer.P2);
    if (!answered)
        window.setFailure(link.lastError());
    link.CommClose();
    if (!answered)
        return {};
    const QString label = typeLabel(answer);
    window.noteRadioType(label);
    return label;
}
