#include "RadioAnswer.h"

#include <numeric>

namespace RadioAnswer {

namespace {
constexpr int LetterCount = 2;
constexpr char Terminator = ';';
} // namespace

int Form::minLength() const
{
    return LetterCount + std::accumulate(fixedWidths.begin(), fixedWidths.end(), 0) + 1;
}

int Form::maxLength() const
{
    return minLength() + std::max(lastMaxWidth, 0);
}

bool accepts(QByteArrayView text, const Form &form)
{
    // A ";" inside means two answers run together: taking them as one would store
    // a value that, written back, sends the radio two commands.
    return text.startsWith(QByteArrayView(form.letters)) && text.endsWith(Terminator) &&
           text.indexOf(Terminator) == text.size() - 1 && text.size() >= form.minLength() &&
           text.size() <= form.maxLength();
}

QStringList cut(QByteArrayView answer, const Form &form)
{
    QStringList fields;
    qsizetype position = LetterCount;
    for (int width : form.fixedWidths) {
        fields << QString::fromLatin1(answer.sliced(position, width));
        position += width;
    }
    if (form.lastMaxWidth >= 0)
        fields << QString::fromLatin1(answer.sliced(position, answer.size() - 1 - position));
    return fields;
}

} // namespace RadioAnswer
