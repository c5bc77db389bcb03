// Prints where the desktop test must point the mouse in the panel: it builds
// the same panel with the same helper, fonts and screen as the application
// under test and reports the centres of the widgets it needs, in panel
// coordinates, so the test never depends on pixel positions written down by
// hand. Its own camera state and preferences are private to it.
//
//   lumarel_layout_probe HELPER PREFERENCES-FILE
//   lumarel_layout_probe --presets PREFERENCES-FILE
//
// Output, one line each: "<what> <x> <y>" for brightness (the slider's
// handle), scrollbar, and, with the scroll area at its end, name, save, quit.
// With --presets: the stored presets as our own reader sees them, one line
// "<name> <control>=<value> ..." each.
#include "menubarview.h"
#include "preferences.h"
#include "presetmanager.h"
#include "uvccontroller.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QStyleOptionSlider>

#include <cstdio>

namespace {

template <typename T>
T *findNamed(QWidget &root, const QString &accessibleName, const QString &text = {})
{
    for (T *widget : root.findChildren<T *>()) {
        if (widget->accessibleName() == accessibleName)
            return widget;
        if constexpr (std::is_base_of_v<QAbstractButton, T>) {
            if (!text.isEmpty() && widget->text() == text)
                return widget;
        }
    }
    return nullptr;
}

bool report(QWidget &panel, const char *what, QWidget *widget, QPoint local)
{
    if (!widget || !widget->isVisible()) {
        std::fprintf(stderr, "layout probe: no visible %s\n", what);
        return false;
    }
    const QPoint at = widget->mapTo(&panel, local);
    std::printf("%s %d %d\n", what, at.x(), at.y());
    return true;
}

QPoint handleCentre(QSlider *slider)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.upsideDown = slider->invertedAppearance();
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
}

} // namespace

int printPresets(const QString &file)
{
    Preferences::setFileForTesting(file);
    const PresetManager presets;
    for (const CameraPreset &preset : presets.presets()) {
        QString line = preset.name;
        for (auto it = preset.values.cbegin(); it != preset.values.cend(); ++it)
            line += QStringLiteral(" %1=%2").arg(it.key()).arg(it.value());
        std::printf("%s\n", qPrintable(line));
    }
    return 0;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--presets")
        return printPresets(QString::fromLocal8Bit(argv[2]));
    if (argc != 3) {
        std::fprintf(stderr, "usage: lumarel_layout_probe HELPER PREFERENCES-FILE\n");
        return 2;
    }
    Preferences::setFileForTesting(QString::fromLocal8Bit(argv[2]));
    MenuBarView::Options options;
    options.helperPath = QString::fromLocal8Bit(argv[1]);
    MenuBarView panel(std::move(options));
    panel.setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    panel.resize(320, 700);
    panel.show();
    QElapsedTimer clock;
    clock.start();
    while (panel.uvc().sliders().isEmpty() && clock.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();

    auto *brightness = findNamed<QSlider>(panel, QStringLiteral("Brightness"));
    auto *scroll = panel.findChild<QScrollArea *>();
    bool ok = report(panel, "brightness", brightness, brightness ? handleCentre(brightness) : QPoint());
    ok = ok && scroll && report(panel, "scrollbar", scroll->verticalScrollBar(), scroll->verticalScrollBar()->rect().center());
    if (scroll) {
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        QApplication::processEvents();
    }
    auto centre = [](QWidget *w) { return w ? w->rect().center() : QPoint(); };
    QWidget *name = findNamed<QLineEdit>(panel, QStringLiteral("Preset name"));
    QWidget *save = findNamed<QPushButton>(panel, QStringLiteral("Save"), QStringLiteral("Save"));
    QWidget *quit = findNamed<QPushButton>(panel, QStringLiteral("Quit Lumarel"), QStringLiteral("Quit Lumarel"));
    ok = ok && report(panel, "name", name, centre(name));
    ok = ok && report(panel, "save", save, centre(save));
    ok = ok && report(panel, "quit", quit, centre(quit));
    std::fflush(stdout);
    return ok ? 0 : 1;
}
