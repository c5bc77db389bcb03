// What the desktop benchmark compares Lumarel with: the least a Qt Widgets
// tray utility does. A tray icon whose click toggles an empty 320 x 700 popup
// with one button that quits. Not a benchmark itself (bench.sh runs bench_*).
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QWidget popup(nullptr, Qt::Popup | Qt::FramelessWindowHint);
    popup.setWindowTitle(QStringLiteral("Lumarel"));
    popup.resize(320, 700);
    auto *layout = new QVBoxLayout(&popup);
    layout->addStretch();
    auto *quit = new QPushButton(QStringLiteral("Quit"), &popup);
    layout->addWidget(quit);
    QObject::connect(quit, &QPushButton::clicked, &app, &QCoreApplication::quit);

    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::darkGray);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.setToolTip(QStringLiteral("baseline"));
    QObject::connect(&tray, &QSystemTrayIcon::activated, [&](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger)
            return;
        if (popup.isVisible()) {
            popup.hide();
            return;
        }
        popup.move(QCursor::pos() - QPoint(popup.width(), 0));
        popup.show();
    });
    tray.show();
    return app.exec();
}
