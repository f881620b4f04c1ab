// Brisk's own texts in Japanese: every text the sources hand to tr() has a finished
// translation, and a Japanese window shows it.
#include "app/QtTranslations.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    // lupdate run over the sources into a copy of the kept file: a new text arrives
    // unfinished, a changed one too, and either names itself here.
    void everyTextIsTranslated()
    {
        QTemporaryDir dir;
        const QString kept = QStringLiteral(BRISK_SOURCE_DIR "/src/app/brisk_ja.ts"), copy = dir.filePath("ja.ts");
        QVERIFY(QFile::copy(kept, copy));
        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(BRISK_LUPDATE, {"-no-obsolete", "-locations", "none", BRISK_SOURCE_DIR "/src", "-ts", copy});
        QVERIFY(lupdate.waitForFinished(60000) && lupdate.exitCode() == 0);
        // A text lupdate cannot place (tr() outside a class) is left out of the file: it names the line.
        const QStringList unplaced =
            QString::fromLocal8Bit(lupdate.readAll()).split('\n').filter(QRegularExpression("^\\S+:\\d+: "));
        QVERIFY2(unplaced.isEmpty(), qPrintable(unplaced.join('\n')));
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader ts(&file);
        QStringList untranslated;
        QString context, source;
        int messages = 0;
        while (!ts.atEnd()) {
            if (ts.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (ts.name() == u"name") {
                context = ts.readElementText();
            } else if (ts.name() == u"source") {
                source = ts.readElementText();
            } else if (ts.name() == u"translation") {
                ++messages;
                const bool unfinished = ts.attributes().value("type") == u"unfinished";
                if (ts.readElementText().isEmpty() || unfinished)
                    untranslated << context + ": " + source;
            }
        }
        QVERIFY(!ts.hasError());
        QVERIFY(messages > 0);
        QVERIFY2(untranslated.isEmpty(), qPrintable("no Japanese for:\n" + untranslated.join('\n')));
    }

    void japaneseWindowShowsThem()
    {
        const QString english = QCoreApplication::translate("frmRadioType", "ADJUST file");
        {
            const WindowTranslations japanese(StringTable::Language::Japanese);
            QCOMPARE(QCoreApplication::translate("frmRadioType", "ADJUST file"), QString("調整ﾌｧｲﾙ"));
        }
        QCOMPARE(QCoreApplication::translate("frmRadioType", "ADJUST file"), english);
    }
};

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
