#include "splashview.h"

#include "appinfo.h"
#include "style.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

using Style::TextStyle;

namespace {

constexpr int kSymbolPixels = 48;

QLabel *makeLabel(const QString &text, TextStyle style, const QColor &colour,
                  QFont::Weight weight = QFont::Normal)
{
    auto *label = new QLabel(text);
    label->setFont(Style::font(style, weight));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QLabel *makeSymbol(int side, Style::SymbolLabel::Colour colour)
{
    auto *label = new Style::SymbolLabel(QStringLiteral("video.fill"), side, colour);
    label->setAlignment(Qt::AlignCenter);
    label->setAccessibleName(QCoreApplication::translate("SplashView", "Camera"));
    return label;
}

// A row whose items sit centred with `spacing` between them.
QHBoxLayout *centredRow(int spacing, const QMargins &margins)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(spacing);
    row->setContentsMargins(margins);
    row->addStretch();
    return row;
}

} // namespace

SplashView::SplashView(std::function<void()> onDismiss, bool trayAvailable, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
    , m_onDismiss(std::move(onDismiss))
{
    setWindowTitle(QString());
    setAccessibleName(tr("Welcome to Lumarel"));
    setFixedSize(kContentSize);

    auto *column = new QVBoxLayout(this);
    column->setSpacing(24);
    column->setContentsMargins(0, 0, 0, 16);
    column->addStretch();
    column->addWidget(makeSymbol(kSymbolPixels, &Style::accentColor),
                      0, Qt::AlignHCenter);
    column->addLayout(buildTitleGroup());
    column->addWidget(buildNote());
    m_hint = buildHint(trayAvailable);
    column->addWidget(m_hint);
    column->addStretch();
    column->addLayout(buildGetStarted());
    column->addWidget(buildFooter());
}

void SplashView::setTrayAvailable(bool trayAvailable)
{
    QWidget *hint = buildHint(trayAvailable);
    delete layout()->replaceWidget(m_hint, hint);
    delete m_hint;
    m_hint = hint;
}

QLayout *SplashView::buildTitleGroup()
{
    const QColor accent = Style::accentColor(palette());
    auto *titleGroup = new QVBoxLayout;
    titleGroup->setSpacing(6);
    QHBoxLayout *name = centredRow(0, {});
    name->addWidget(makeLabel(QStringLiteral("Lum"), TextStyle::LargeTitle, palette().color(QPalette::WindowText),
                              QFont::Bold));
    name->addWidget(makeLabel(QStringLiteral("arel"), TextStyle::LargeTitle, accent, QFont::Bold));
    name->addStretch();
    titleGroup->addLayout(name);
    titleGroup->addWidget(makeLabel(tr("Camera Control for Linux"), TextStyle::Subheadline,
                                    Style::secondaryColor(palette())),
                          0, Qt::AlignHCenter);
    return titleGroup;
}

QWidget *SplashView::buildNote()
{
    QLabel *note = makeLabel(tr("I built Lumarel because I wasn't happy spending money on apps just "
                                "to adjust the image quality of my webcam. I hope you enjoy it."),
                             TextStyle::Body, Style::secondaryColor(palette()));
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignHCenter);
    note->setContentsMargins(32, 0, 32, 0);
    return note;
}

QWidget *SplashView::buildHint(bool trayAvailable)
{
    auto *hint = new QWidget;
    QHBoxLayout *row = centredRow(6, {24, 0, 24, 0});
    hint->setLayout(row);
    const QColor text = palette().color(QPalette::WindowText);
    if (trayAvailable) {
        row->addWidget(makeLabel(tr("Look for the"), TextStyle::Callout, text, QFont::Medium));
        // The callout's whole points at 96 dpi, as the window was drawn: a
        // pixel smaller than the panel's line-high symbols.
        const int side = Style::font(TextStyle::Callout).pointSize() * 4 / 3 + 2;
        row->addWidget(makeSymbol(side, &Style::secondaryColor));
        row->addWidget(makeLabel(tr("icon in your system tray."), TextStyle::Callout, text,
                                 QFont::Medium));
    } else {
        QLabel *label = makeLabel(tr("Your desktop shows no system tray, so Lumarel opens "
                                     "in a window of its own."),
                                  TextStyle::Callout, text, QFont::Medium);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignHCenter);
        row->addWidget(label, 1);
    }
    row->addStretch();
    return hint;
}

QLayout *SplashView::buildGetStarted()
{
    m_getStarted = new QPushButton(tr("Get Started"));
    m_getStarted->setDefault(true);
    m_getStarted->setFont(Style::font(TextStyle::Body));
    m_getStarted->setMinimumHeight(m_getStarted->fontMetrics().height() * 2 + 4);
    m_getStarted->setStyleSheet(QStringLiteral(
        "QPushButton { background: palette(highlight); color: palette(highlighted-text);"
        " border: none; border-radius: 6px; padding: 4px 12px; }"
        "QPushButton:pressed { background: palette(dark); }"
        "QPushButton:focus { border: 2px solid palette(highlighted-text); }"));
    connect(m_getStarted, &QPushButton::clicked, this, [this] {
        if (m_onDismiss)
            m_onDismiss();
    });
    auto *buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(40, 0, 40, 0);
    buttonRow->addWidget(m_getStarted);
    return buttonRow;
}

QWidget *SplashView::buildFooter()
{
    auto *footer = new QWidget;
    QHBoxLayout *row = centredRow(12, {});
    footer->setLayout(row);
    const QColor secondary = Style::secondaryColor(palette());
    row->addWidget(makeLabel(versionText(), TextStyle::Caption, secondary));
    row->addWidget(makeLabel(QStringLiteral("\u2022"), TextStyle::Caption, secondary));

    QLabel *link = makeLabel(QStringLiteral("<a href=\"%1\">%2</a>")
                                 .arg(AppInfo::webUrl().toHtmlEscaped(), AppInfo::webLabel().toHtmlEscaped()),
                             TextStyle::Caption, secondary);
    link->setTextFormat(Qt::RichText);
    link->setOpenExternalLinks(true);
    link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    link->setAccessibleName(AppInfo::webLabel());
    row->addWidget(link);
    row->addStretch();
    return footer;
}

QString SplashView::versionText()
{
    const QString version = QCoreApplication::applicationVersion();
    return QStringLiteral("v") + (version.isEmpty() ? QStringLiteral("1.0") : version);
}

void SplashView::mousePressEvent(QMouseEvent *event)
{
    // Dragging any part of the background moves the window.
    if (event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove())
        event->accept();
    else
        QWidget::mousePressEvent(event);
}
