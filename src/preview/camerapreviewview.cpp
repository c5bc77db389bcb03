#include "camerapreviewview.h"

#include <QGraphicsScene>
#include <QGraphicsVideoItem>
#include <QGraphicsView>
#include <QLabel>
#include <QMediaCaptureSession>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QResizeEvent>

#include "style.h"

namespace {

QPainterPath roundedPath(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// The video is painted into the widget's backing store (unlike QVideoWidget,
// a native window that neither masks nor grabs cleanly). A mask alone leaves
// stair-stepped corners, so the view also paints the corners in the colour of
// whatever lies behind it, with antialiasing.
class RoundedVideoView : public QGraphicsView {
public:
    using QGraphicsView::QGraphicsView;

    void setCornerRadius(qreal radius) { m_radius = radius; }

protected:
    void drawForeground(QPainter *painter, const QRectF &) override
    {
        if (m_radius <= 0)
            return;
        const QRectF frame = sceneRect();
        QPainterPath corners;
        corners.addRect(frame);
        corners = corners.subtracted(roundedPath(frame, m_radius));
        // Our parent is the preview widget; what shows round the corners is
        // the preview widget's parent.
        const QWidget *owner = parentWidget();
        const QWidget *behind = owner && owner->parentWidget() ? owner->parentWidget() : owner;
        const QColor colour = behind ? behind->palette().color(behind->backgroundRole())
                                     : palette().color(QPalette::Window);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillPath(corners, colour);
        painter->restore();
    }

private:
    qreal m_radius = 0;
};

} // namespace

CameraPreviewView::CameraPreviewView(QMediaCaptureSession *session, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
{
    auto *scene = new QGraphicsScene(this);
    m_item = new QGraphicsVideoItem;
    m_item->setAspectRatioMode(Qt::KeepAspectRatioByExpanding);
    scene->addItem(m_item);

    auto *view = new RoundedVideoView(scene, this);
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    view->setInteractive(false);
    view->setFocusPolicy(Qt::NoFocus);
    view->setBackgroundBrush(Qt::black);
    view->setRenderHint(QPainter::SmoothPixmapTransform);
    // Filling by expansion paints the picture beyond the item's rectangle;
    // the clip crops the excess.
    m_item->setFlag(QGraphicsItem::ItemClipsToShape);
    m_view = view;

    setAccessibleName(tr("Camera preview"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    view->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_caption = Style::label(QString(), Style::TextStyle::Caption, this);
    m_caption->setObjectName(QStringLiteral("previewCaption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setWordWrap(true);
    Style::makeSecondary(m_caption);
    m_caption->hide();

    if (m_session)
        m_session->setVideoOutput(m_item);
    updateShape();
}

void CameraPreviewView::setCaption(const QString &text)
{
    m_caption->setText(text);
    m_caption->setVisible(!text.isEmpty());
    m_view->setVisible(text.isEmpty());
}

QString CameraPreviewView::caption() const
{
    return m_caption->isVisible() ? m_caption->text() : QString();
}

CameraPreviewView::~CameraPreviewView()
{
    // Hand the session back without an output; its camera keeps running.
    if (m_session && m_session->videoOutput() == m_item)
        m_session->setVideoOutput(nullptr);
}

void CameraPreviewView::setCornerRadius(qreal radius)
{
    m_cornerRadius = qMax<qreal>(0, radius);
    updateShape();
}

void CameraPreviewView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateShape();
}

void CameraPreviewView::updateShape()
{
    const QRectF frame(QPointF(0, 0), QSizeF(size()));
    m_view->setGeometry(rect());
    m_caption->setGeometry(rect());
    m_view->setSceneRect(frame);
    m_item->setOffset(QPointF(0, 0));
    m_item->setSize(frame.size());
    static_cast<RoundedVideoView *>(m_view)->setCornerRadius(m_cornerRadius);

    // On a window of its own a mask would shape the window; there the painted
    // corners are enough.
    if (m_cornerRadius > 0 && !frame.isEmpty() && !isWindow())
        setMask(QRegion(roundedPath(frame, m_cornerRadius).toFillPolygon().toPolygon()));
    else
        clearMask();
    m_view->viewport()->update();
}
