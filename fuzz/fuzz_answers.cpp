// Any bytes as a radio's answer: acceptance and cutting of MR, EX and TY answers
// must never read outside the answer, and an accepted answer must cut into
// fields that rebuild it exactly.
#include "link/RadioAnswer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView answer(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const RadioAnswer::Form *form : {&RadioAnswer::Mr, &RadioAnswer::Ex, &RadioAnswer::Ty}) {
        if (!RadioAnswer::accepts(answer, *form))
            continue;
        const QStringList fields = RadioAnswer::cut(answer, *form);
        const qsizetype expected = form->fixedWidths.size() + (form->lastMaxWidth >= 0 ? 1 : 0);
        if (fields.size() != expected)
            std::abort();
        if ((QString::fromLatin1(form->letters) + fields.join(QString()) + QLatin1Char(';')).toLatin1() != answer)
            std::abort();
    }
    return 0;
}
