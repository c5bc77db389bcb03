#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

// The window that shows the panel. Over a system tray it is a frameless popup
// under the tray icon that closes on a click outside; on a desktop without a
// tray it is an ordinary window, so the application can still be used.
class PopoverWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kContentSize{320, 700};
    // A tray click that comes this soon after a click outside closed the popup
    // is the same click reaching the icon: it must not reopen the popup.
    static constexpr int kReopenGuardMs = 200;

    // Popover, over a tray: a frameless tool window that closes when it
    // loses the focus or, where the system lets it hold the pointer (X11),
    // on a click outside. Not a Qt popup: without a parent window Wayland
    // makes that an ordinary window that outside clicks leave open, and Qt
    // keeps popups out of the accessibility tree, away from screen readers.
    // Window: an ordinary window, for a desktop without a tray.
    enum class Mode { Popover, Window };

    // Takes ownership of `panel`, which stays the window's content for good.
    PopoverWindow(QWidget *panel, Mode mode);

    Mode mode() const { return m_mode; }
    QWidget *panel() const { return m_panel; }

    // Shows the popup under `iconGeometry` (empty: at the cursor) and makes it
    // the active window, so the panel takes typing.
    void showUnder(const QRect &iconGeometry);
    // Hides it at the user's request (a click on the icon).
    void dismiss();
    // Whether a click outside closed the popup within kReopenGuardMs.
    bool justClosedByOutsideClick() const;

    // Top-left corner of a window of `size` below `anchor` (above it when
    // there is no room below), horizontally centred on it, kept inside
    // `available`. An empty `anchor` stands for the point `cursor`.
    static QPoint placement(const QRect &anchor, const QPoint &cursor, const QRect &available,
                            const QSize &size);
    // Where the popup goes: kContentSize below or above the anchor where it
    // fits; otherwise on the roomier side, no higher than the room there, so
    // that it neither covers the icon nor runs off the screen (the panel's
    // scroll area gives up the difference). Only where not even
    // kMinimumHeight fits does it fall back to placement() within the screen.
    static QRect popupGeometry(const QRect &anchor, const QPoint &cursor, const QRect &available);
    static constexpr int kMinimumHeight = 360;
    // What a window manager's title bar and borders take, about.
    static constexpr int kWindowFrameAllowance = 40;

protected:
    // Keys typed right after opening go to the panel: unless one of its
    // controls has the focus already, the first one takes it.
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    // Escape closes it over a tray.
    void keyPressEvent(QKeyEvent *event) override;
    // A click outside, while the popover holds the pointer, closes it.
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void grabPointer();
    static constexpr int kGrabRetryMs = 100;
    static constexpr int kGrabAttempts = 15;

    QWidget *m_panel;
    Mode m_mode;
    bool m_dismissing = false;
    QElapsedTimer m_sinceOutsideClose;
    QTimer m_grabRetry;
    int m_grabAttempts = 0;
    bool m_pointerGrabbed = false;
    bool m_watchingWindow = false;
};
