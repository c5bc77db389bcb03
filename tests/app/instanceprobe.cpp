// A stand-in copy of the application for the single-instance tests: it joins
// the registry like Lumarel does, reports what happens on standard output and
// quits when asked. "--no-ask" joins without asking older copies to quit.
#include "localsocketregistry.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    LocalSocketRegistry registry(LocalSocketRegistry::defaultDirectory());
    QObject::connect(&registry, &InstanceRegistry::quitRequested, &app, [&out](qint64 requesterPid) {
        out << "quit requested by " << requesterPid << Qt::endl;
        QCoreApplication::quit();
    });
    if (!registry.registerThisCopy()) {
        out << "not registered" << Qt::endl;
        return 3;
    }
    if (!app.arguments().contains(QStringLiteral("--no-ask"))) {
        for (const QString &name : registry.askOlderCopiesToQuit())
            out << "asked " << name << Qt::endl;
    }
    out << "ready " << registry.entryName() << Qt::endl;
    return app.exec();
}
