// Replays the checked-in seeds of one fuzz target through it, so that every
// build (and the sanitizer build) runs the target's checks without clang.
#include <QDir>
#include <QFile>
#include <QTest>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

class FuzzCorpusTest : public QObject {
    Q_OBJECT

private slots:
    void replaysEverySeed();
};

void FuzzCorpusTest::replaysEverySeed()
{
    const QDir corpus(QStringLiteral(LUMAREL_FUZZ_CORPUS));
    const QStringList seeds = corpus.entryList(QDir::Files, QDir::Name);
    QVERIFY2(!seeds.isEmpty(), qPrintable(corpus.path()));
    for (const QString &seed : seeds) {
        QFile file(corpus.filePath(seed));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(seed));
        const QByteArray bytes = file.readAll();
        // A failed check aborts, which fails the test and names no seed:
        // the log line below does.
        qInfo("seed %s", qPrintable(seed));
        QCOMPARE(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()),
                                        static_cast<size_t>(bytes.size())),
                 0);
    }
}

QTEST_GUILESS_MAIN(FuzzCorpusTest)
#include "tst_fuzzcorpus.moc"
