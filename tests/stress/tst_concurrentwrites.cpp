// Many uvcc-helper runs share one simulated camera state file, as they do when
// the user drags a slider while a preset is applied. Every run must leave the
// file readable and holding what the last completed write put there.
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr int kWriters = 8;
constexpr int kRunsInTotal = 1000;
const QString kCamera = QStringLiteral("fe1a:0c01");

// One control per writer, each with step 1 on the demo camera and none
// driven by an automatic mode, so a value is stored exactly as sent and only
// its writer ever changes it.
struct Lane {
    const char *control;
    int min;
    int max;
};
constexpr Lane kLanes[kWriters] = {
    {"brightness", -64, 64}, {"contrast", 0, 95},   {"saturation", 0, 128},
    {"sharpness", 0, 7},     {"gain", 0, 255},      {"hue", -40, 40},
    {"absolute_zoom", 100, 500}, {"gamma", 72, 500},
};

struct Finding {
    QMutex mutex;
    QStringList problems;
    void add(const QString &problem)
    {
        QMutexLocker lock(&mutex);
        if (problems.size() < 20)
            problems << problem;
    }
};

std::optional<QJsonObject> readState(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

class ConcurrentWritesTest : public QObject {
    Q_OBJECT

private slots:
    void everyRunLeavesTheLastCompletedWrite();
};

void ConcurrentWritesTest::everyRunLeavesTheLastCompletedWrite()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString statePath = dir.filePath(QStringLiteral("camera.json"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("UVCC_HELPER_SIMULATE"), statePath);

    Finding finding;
    std::atomic_int completed{0};
    std::atomic_bool done{false};

    // A reader that never takes the lock, as a user's editor or a second
    // Lumarel would: it must never see a half-written file.
    std::atomic_int observations{0};
    std::thread observer([&] {
        while (!done.load()) {
            if (QFile::exists(statePath) && !readState(statePath))
                finding.add(QStringLiteral("a reader saw a state file that is not a JSON object"));
            ++observations;
        }
    });

    std::vector<std::thread> writers;
    for (int lane = 0; lane < kWriters; ++lane) {
        writers.emplace_back([&, lane] {
            const Lane &l = kLanes[lane];
            const int span = l.max - l.min + 1;
            for (int run = 0; run < kRunsInTotal / kWriters; ++run) {
                const int value = l.min + (run * 37 + lane) % span;
                QProcess helper;
                helper.setProcessEnvironment(environment);
                helper.setStandardErrorFile(QProcess::nullDevice());
                helper.start(QStringLiteral(UVCC_HELPER_PATH),
                             {QStringLiteral("set"), QString::fromLatin1(l.control),
                              QString::number(value), kCamera});
                if (!helper.waitForFinished(60000) || helper.exitStatus() != QProcess::NormalExit
                    || helper.exitCode() != 0) {
                    finding.add(QStringLiteral("set %1 %2 failed with exit code %3")
                                    .arg(QString::fromLatin1(l.control)).arg(value).arg(helper.exitCode()));
                    continue;
                }
                ++completed;
                // Only this lane writes this control, so whatever the other
                // writers do, it must now hold exactly this value.
                const std::optional<QJsonObject> state = readState(statePath);
                if (!state) {
                    finding.add(QStringLiteral("state file unreadable after set %1").arg(QString::fromLatin1(l.control)));
                    continue;
                }
                const QJsonValue stored = (*state)[QStringLiteral("cameras")][kCamera][QString::fromLatin1(l.control)];
                if (stored.toInteger(std::numeric_limits<qint64>::min()) != value) {
                    finding.add(QStringLiteral("%1 holds %2 after writing %3")
                                    .arg(QString::fromLatin1(l.control), stored.toVariant().toString())
                                    .arg(value));
                }
            }
        });
    }
    for (std::thread &writer : writers)
        writer.join();
    done = true;
    observer.join();

    QVERIFY2(finding.problems.isEmpty(), qPrintable(finding.problems.join(QLatin1Char('\n'))));
    QCOMPARE(completed.load(), kRunsInTotal);
    QVERIFY(observations.load() > 0);
    // Nothing was ever judged damaged and moved aside.
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.broken-*")}, QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(ConcurrentWritesTest)
#include "tst_concurrentwrites.moc"
