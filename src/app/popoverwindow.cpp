#include "popoverwindow.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace {

Qt::WindowFlags flagsFor(PopoverWindow::Mode mode)
{
    switch (mode) {
    case PopoverWindow::Mode::Popover:
        return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    case PopoverWindow::Mode::Window:
        break;
    }
    return Qt::Window;
}

// Screen readers announce a window by its role: Qt would give this plain
// widget the role of a mere container.
QAccessibleInterface *accessibleWindow(const QString &className, QObject *object)
{
    if (className == QLatin1String("PopoverWindow") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

PopoverWindow::PopoverWindow(QWidget *panel, Mode mode)
    : QWidget(nullptr, flagsFor(mode))
    , m_panel(panel)
    , m_mode(mode)
{
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleWindow), true);
    Q_UNUSED(factoryInstalled);
    setWindowTitle(QStringLiteral("Lumarel"));
    setFixedSize(kContentSize);
    m_grabRetry.setSingleShot(true);
    m_grabRetry.setInterval(kGrabRetryMs);
    connect(&m_grabRetry, &QTimer::timeout, this, &PopoverWindow::grabPointer);
    if (mode == Mode::Popover)
        qApp->installEventFilter(this);
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
    if (m_mode == Mode::Popover) {
        if (QWindow *window = windowHandle(); window && !m_watchingWindow) {
            window->installEventFilter(this);
            m_watchingWindow = true;
        }
        grabPointer();
    }
}

void PopoverWindow::grabPointer()
{
    // A click on the bare desktop moves the focus nowhere under many window
    // managers, and there is no window manager at all in some set-ups: with
    // the pointer held, such a click reaches this window, outside its area.
    // Where the system has no pointer grabs (Wayland) the focus rule alone
    // applies. A grab fails until the window is mapped, and our own lists and
    // menus take it over while they are open. Qt reports success even while
    // another program still holds the pointer (a tray host whose button is
    // still down), so it is asked again over the first moments it is shown;
    // holding it already, asking again changes nothing.
    m_grabRetry.stop();
    if (!isVisible() || !windowHandle() || QApplication::activePopupWidget())
        return;
    if (QGuiApplication::mouseButtons() == Qt::NoButton && windowHandle()->setMouseGrabEnabled(true))
        m_pointerGrabbed = true;
    if (m_grabAttempts++ < kGrabAttempts)
        m_grabRetry.start();
}

void PopoverWindow::hideEvent(QHideEvent *event)
{
    m_grabRetry.stop();
    m_grabAttempts = 0;
    if (std::exchange(m_pointerGrabbed, false) && windowHandle())
        windowHandle()->setMouseGrabEnabled(false);
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

void PopoverWindow::mousePressEvent(QMouseEvent *event)
{
    if (m_mode == Mode::Popover && !rect().contains(event->position().toPoint())) {
        hide();
        return;
    }
    QWidget::mousePressEvent(event);
}

bool PopoverWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Mapped on the screen at last: a grab can take hold now.
    if (watched == windowHandle() && event->type() == QEvent::Expose && isVisible())
        QTimer::singleShot(0, this, &PopoverWindow::grabPointer);
    // One of our own lists or menus closed: it took the pointer with it.
    if (event->type() == QEvent::Hide && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->windowType() == Qt::Popup) {
        m_pointerGrabbed = false;
        m_grabAttempts = 0;
        QTimer::singleShot(0, this, &PopoverWindow::grabPointer);
    }
    return QWidget::eventFilter(watched, event);
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
