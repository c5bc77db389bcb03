#pragma once

#include <QWidget>
#include <functional>

class QLayout;
class QPushButton;

// The welcome window of the first launch: names the application, says what it
// is for and where its icon is, and offers "Get Started" to dismiss it.
// Fixed 480 x 400, close button only, no title, above ordinary windows, and
// movable by dragging its background.
class SplashView : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kContentSize{480, 400};

    // `onDismiss` runs when "Get Started" is pressed. Without a system tray
    // the hint line says that the panel opens in a window of its own.
    explicit SplashView(std::function<void()> onDismiss, bool trayAvailable = true,
                        QWidget *parent = nullptr);

    // "v" and the application's version ("1.0" when it has none).
    static QString versionText();

    QPushButton *getStartedButton() const { return m_getStarted; }
    // A tray that came after the window opened: the hint points at the icon.
    void setTrayAvailable(bool trayAvailable);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    // The parts of the column, top to bottom.
    QLayout *buildTitleGroup();
    QWidget *buildNote();
    QWidget *buildHint(bool trayAvailable);
    QLayout *buildGetStarted();
    QWidget *buildFooter();

    std::function<void()> m_onDismiss;
    QWidget *m_hint = nullptr;
    QPushButton *m_getStarted = nullptr;
};
