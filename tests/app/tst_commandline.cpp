#include "commandline.h"

#include <QtTest>

#include <vector>

// Which command lines start Lumarel, answer, or are refused. Answers and
// refusals print; only their exit status is checked here (the desktop
// lifetime test reads what they print).
class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void answersStartsOrRefuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status"); // -1: the program starts

        QTest::newRow("nothing") << QStringList{} << -1;
        QTest::newRow("help") << QStringList{"--help"} << 0;
        QTest::newRow("h") << QStringList{"-h"} << 0;
        QTest::newRow("version") << QStringList{"--version"} << 0;
        QTest::newRow("help wins over an unknown one") << QStringList{"--bogus", "--help"} << 0;
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2;
        QTest::newRow("a word") << QStringList{"camera"} << 2;
        QTest::newRow("Qt's options and their values")
            << QStringList{"-platform", "offscreen", "-style=fusion", "--reverse"} << -1;
        QTest::newRow("a Qt flag given a value") << QStringList{"-reverse=yes"} << 2;
        QTest::newRow("something after Qt's options") << QStringList{"-style", "fusion", "extra"} << 2;
    }

    void answersStartsOrRefuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        std::vector<QByteArray> bytes{"lumarel"};
        for (const QString &argument : arguments)
            bytes.push_back(argument.toLocal8Bit());
        std::vector<const char *> argv;
        for (const QByteArray &argument : bytes)
            argv.push_back(argument.constData());
        const std::optional<int> answer = CommandLine::answerBeforeStart(int(argv.size()), argv.data());
        QCOMPARE(answer.value_or(-1), status);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
