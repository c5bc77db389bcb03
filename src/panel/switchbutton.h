#pragma once

#include <QAbstractButton>

// An on/off switch drawn as a track with a sliding knob. It shows no text of
// its own: the row's label stands beside it, and the accessible name carries
// that label for screen readers.
class SwitchButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit SwitchButton(const QString &accessibleName, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
};
