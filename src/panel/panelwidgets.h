#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

// "MODES": a section title in upper case, caption, semibold, 0.5 extra letter
// spacing, secondary colour, at the leading edge.
QWidget *sectionHeader(const QString &title, QWidget *parent = nullptr);

// A one-line label that gives up width instead of widening the panel: the
// text is elided to fit and shown whole in the tooltip when cut.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    void setFullText(const QString &text);
    QString fullText() const { return m_fullText; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void elide();

    QString m_fullText;
};

// A bordered button sized to its text rather than to the style's minimum
// width, so that two of them fit beside a name in the 288-point column.
class PanelButton : public QPushButton {
    Q_OBJECT

public:
    enum class Size { Regular, Small };

    PanelButton(const QString &text, Size size, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    Size m_size;
};

// A combo box that leaves the mouse wheel alone: a notch over the closed
// camera picker would switch the camera and run a connection check. The list
// and the keyboard still choose.
class PanelComboBox : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;

protected:
    void wheelEvent(QWheelEvent *event) override;
};

// A slider that leaves the mouse wheel to the scroll area around it: scrolling
// the panel past a slider must not change the camera.
class PanelSlider : public QSlider {
    Q_OBJECT

public:
    explicit PanelSlider(QWidget *parent = nullptr);

protected:
    void wheelEvent(QWheelEvent *event) override;
};
