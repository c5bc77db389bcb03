// Shows MenuBarView in an ordinary window, for looking at the panel and for
// the screenshot in the README (scripts/screenshot-panel.sh). Not installed.
//
//   lumarel-panel-viewer [--preferences FILE] [--sample-presets] [--running-preview]
//
//   --preferences FILE  keep presets in this INI file instead of the user's
//   --sample-presets    store two presets and mark the first as last used
//   --running-preview   a capture back end that reports a running session
//                       without a camera, so the preview area shows

#include "capturebackend.h"
#include "menubarview.h"
#include "preferences.h"
#include "presetmanager.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMediaCaptureSession>
#include <QTimer>

namespace {

class IdleCapture : public CaptureBackend {
public:
    QMediaCaptureSession *session() const override { return &m_session; }
    bool isRunning() const override { return m_running; }
    Configuration configure() override { return Configuration::InputAttached; }
    void startRunning(std::function<void()> done) override
    {
        m_running = true;
        QTimer::singleShot(0, qApp, std::move(done));
    }
    void stopRunning() override { m_running = false; }
    PreviewProblem problem() const override { return PreviewProblem::None; }

private:
    mutable QMediaCaptureSession m_session;
    bool m_running = false;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumarel-panel-viewer"));
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("preferences"), QStringLiteral("Preferences file."), QStringLiteral("file")});
    parser.addOption({QStringLiteral("sample-presets"), QStringLiteral("Store two sample presets.")});
    parser.addOption({QStringLiteral("running-preview"), QStringLiteral("Show the preview area without a camera.")});
    parser.process(app);

    if (parser.isSet(QStringLiteral("preferences")))
        Preferences::setFileForTesting(parser.value(QStringLiteral("preferences")));

    MenuBarView::Options options;
    if (parser.isSet(QStringLiteral("running-preview")))
        options.captureBackend = std::make_unique<IdleCapture>();
    MenuBarView view(std::move(options));
    if (parser.isSet(QStringLiteral("sample-presets"))) {
        view.presets().savePreset(QStringLiteral("Desk"), {{QStringLiteral("brightness"), 20}});
        view.presets().savePreset(QStringLiteral("Evening"), {{QStringLiteral("brightness"), -10}});
        recordLastUsedPreset(view.presets(), QStringLiteral("Desk"));
    }
    view.setWindowTitle(QStringLiteral("Lumarel panel"));
    view.show();
    return app.exec();
}
