#include "panelwidgets.h"

#include "style.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QWheelEvent>

QWidget *sectionHeader(const QString &title, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QFont f = Style::font(Style::TextStyle::Caption, QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    auto *text = Style::label(title.toUpper(), Style::TextStyle::Caption, row);
    text->setFont(f);
    text->setObjectName(QStringLiteral("sectionTitle"));
    Style::makeSecondary(text);
    layout->addWidget(text);
    layout->addStretch(1);
    return row;
}

ElidedLabel::ElidedLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::setFullText(const QString &text)
{
    if (text == m_fullText)
        return;
    m_fullText = text;
    elide();
    updateGeometry();
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(0, QLabel::minimumSizeHint().height());
}

void ElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        elide();
}

void ElidedLabel::elide()
{
    // A line break would make a second line; the row has room for one.
    QString oneLine = m_fullText;
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    const QString shown = fontMetrics().elidedText(oneLine, Qt::ElideRight, qMax(0, width()));
    setText(width() > 0 ? shown : oneLine);
    setToolTip(shown == oneLine ? QString() : m_fullText);
}

PanelButton::PanelButton(const QString &text, Size size, QWidget *parent)
    : QPushButton(text, parent)
    , m_size(size)
{
    setAutoDefault(false);
    setDefault(false);
    setFont(Style::font(size == Size::Small ? Style::TextStyle::Caption : Style::TextStyle::Body));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize PanelButton::sizeHint() const
{
    const QSize styled = QPushButton::sizeHint();
    const int padding = m_size == Size::Small ? 14 : 20;
    const int width = fontMetrics().horizontalAdvance(text()) + padding;
    const int height = m_size == Size::Small ? fontMetrics().height() + 8 : styled.height();
    return QSize(width, height);
}

QSize PanelButton::minimumSizeHint() const
{
    return sizeHint();
}

PanelSlider::PanelSlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void PanelSlider::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}

void PanelComboBox::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}
