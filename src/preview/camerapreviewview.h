#pragma once

#include <QWidget>

class QMediaCaptureSession;

// Shows the live frames of a capture session, filling the widget with the
// aspect ratio kept and the excess cropped. Built once; never starts or
// stops the session.
class CameraPreviewView : public QWidget {
    Q_OBJECT

public:
    explicit CameraPreviewView(QMediaCaptureSession *session, QWidget *parent = nullptr);
    ~CameraPreviewView() override;
};
