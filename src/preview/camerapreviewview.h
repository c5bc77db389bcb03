#pragma once

#include <QPointer>
#include <QWidget>

class QGraphicsVideoItem;
class QGraphicsView;
class QLabel;
class QMediaCaptureSession;

// Shows the live frames of a capture session, filling the widget with the
// aspect ratio kept and the excess cropped. Built once; never starts or
// stops the session.
class CameraPreviewView : public QWidget {
    Q_OBJECT

public:
    explicit CameraPreviewView(QMediaCaptureSession *session, QWidget *parent = nullptr);
    ~CameraPreviewView() override;

    // Rounds the corners of the picture; 0 (the default) keeps them square.
    void setCornerRadius(qreal radius);
    qreal cornerRadius() const { return m_cornerRadius; }

    // One line in the secondary colour in place of the picture (why there is
    // none); empty shows the picture again.
    void setCaption(const QString &text);
    QString caption() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateShape();

    QPointer<QMediaCaptureSession> m_session;
    QGraphicsView *m_view = nullptr;
    QGraphicsVideoItem *m_item = nullptr;
    QLabel *m_caption = nullptr;
    qreal m_cornerRadius = 0;
};
