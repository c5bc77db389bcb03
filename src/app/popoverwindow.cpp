#include "popoverwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

#include <algorithm>

namespace {

Qt::WindowFlags flagsFor(PopoverWindow::Mode mode)
{
    switch (mode) {
    case PopoverWindow::Mode::Popup:
        return Qt::Popup | Qt::FramelessWindowHint;
    case PopoverWindow::Mode::Popover:
        return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    case PopoverWindow::Mode::Window:
        break;
    }
    return Qt::Window;
}

} // namespace

PopoverWindow::Mode PopoverWindow::trayMode()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ? Mode::Popover : Mode::Popup;
}

PopoverWindow::PopoverWindow(QWidget *panel, Mode mode)
    : QWidget(nullptr, flagsFor(mode))
    , m_panel(panel)
    , m_mode(mode)
{
    setWindowTitle(QStringLiteral("Lumarel"));
    setFixedSize(kContentSize);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel);
}

QPoint PopoverWindow::placement(const QRect &anchor, const QPoint &cursor, const QRect &available,
                                const QSize &size)
{
    const QRect target = anchor.isEmpty() ? QRect(cursor, QSize(1, 1)) : anchor;
    int x = target.center().x() - size.width() / 2;
    int y = target.bottom() + 1;
    if (y + size.height() > available.bottom() + 1 && target.top() - size.height() >= available.top())
        y = target.top() - size.height();
    x = std::max(available.left(), std::min(x, available.right() + 1 - size.width()));
    y = std::max(available.top(), std::min(y, available.bottom() + 1 - size.height()));
    return {x, y};
}

QRect PopoverWindow::popupGeometry(const QRect &anchor, const QPoint &cursor, const QRect &available)
{
    const QRect target = anchor.isEmpty() ? QRect(cursor, QSize(1, 1)) : anchor;
    const int below = available.bottom() - target.bottom();
    const int above = target.top() - available.top();
    const int room = std::max(below, above);
    const bool lower = room < kContentSize.height() && room >= kMinimumHeight;
    const QSize size(kContentSize.width(), lower ? room : std::min(kContentSize.height(), available.height()));
    return {placement(anchor, cursor, available, size), size};
}

void PopoverWindow::showUnder(const QRect &iconGeometry)
{
    const QPoint cursor = QCursor::pos();
    const QPoint probe = iconGeometry.isEmpty() ? cursor : iconGeometry.center();
    QScreen *screen = QGuiApplication::screenAt(probe);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect placed = popupGeometry(iconGeometry, cursor, screen->availableGeometry());
        setFixedSize(placed.size());
        move(placed.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void PopoverWindow::dismiss()
{
    m_dismissing = true;
    hide();
    m_dismissing = false;
}

bool PopoverWindow::justClosedByOutsideClick() const
{
    return m_sinceOutsideClose.isValid() && m_sinceOutsideClose.elapsed() < kReopenGuardMs;
}

void PopoverWindow::showEvent(QShowEvent *event)
{
    // A window of its own on a small screen: lower, so that its footer with
    // "Quit Lumarel" stays on screen below the title bar.
    if (m_mode == Mode::Window && screen()) {
        const int room = screen()->availableGeometry().height() - kWindowFrameAllowance;
        setFixedHeight(std::clamp(room, kMinimumHeight, kContentSize.height()));
    }
    QWidget::showEvent(event);
    if (!focusWidget())
        focusNextPrevChild(true);
}

void PopoverWindow::hideEvent(QHideEvent *event)
{
    if (m_mode != Mode::Window && !m_dismissing)
        m_sinceOutsideClose.start();
    else
        m_sinceOutsideClose.invalidate();
    QWidget::hideEvent(event);
}

void PopoverWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Focus gone to another window: a click outside. A list or tip of our own
    // opening over it does not count.
    if (event->type() == QEvent::ActivationChange && m_mode == Mode::Popover && isVisible() && !isActiveWindow()
        && !QApplication::activePopupWidget())
        hide();
}

void PopoverWindow::keyPressEvent(QKeyEvent *event)
{
    if (m_mode != Mode::Window && event->matches(QKeySequence::Cancel)) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PopoverWindow::closeEvent(QCloseEvent *event)
{
    // Without a tray this window is the only way into the application, so
    // closing it ends the application instead of leaving it running unseen.
    // Queued: a quit already under way closes this window too.
    if (m_mode == Mode::Window && !QSystemTrayIcon::isSystemTrayAvailable())
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    QWidget::closeEvent(event);
}
