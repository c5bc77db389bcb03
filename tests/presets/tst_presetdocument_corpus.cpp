// Feeds every seed of the preset document fuzz target through it, so that a
// build without clang still runs the fuzz target's checks on the corpus.
#include <QDir>
#include <QFile>
#include <QTest>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

class PresetDocumentCorpusTest : public QObject {
    Q_OBJECT

private slots:
    void replaysEverySeed();
};

void PresetDocumentCorpusTest::replaysEverySeed()
{
    const QDir corpus(QStringLiteral(LUMAREL_PRESET_CORPUS));
    const QStringList seeds = corpus.entryList(QDir::Files, QDir::Name);
    QVERIFY2(!seeds.isEmpty(), qPrintable(corpus.path()));
    for (const QString &seed : seeds) {
        QFile file(corpus.filePath(seed));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(seed));
        const QByteArray bytes = file.readAll();
        // A failed check aborts the program, which fails the test.
        QCOMPARE(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()),
                                        static_cast<size_t>(bytes.size())),
                 0);
    }
}

QTEST_GUILESS_MAIN(PresetDocumentCorpusTest)
#include "tst_presetdocument_corpus.moc"
