#include "TTitleBar.h"

#include "TIconButton.h"
#include "TitleBarGlyphs.h"
#include "nativeSetToolTip.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace {
const QSize kButtonSize(46, TTitleBar::defaultHeight);
}

TTitleBar::TTitleBar(QWidget *parent, bool minimiseButton, bool fullScreenButton, QWidget *extra)
    : QWidget(parent)
    , m_titleLabel(new QLabel(this))
    , m_minimiseButton(new TIconButton(this, kButtonSize))
    , m_fullScreenButton(new TIconButton(this, kButtonSize))
    , m_closeButton(new TIconButton(this, kButtonSize))
    , m_hasMinimise(minimiseButton)
    , m_hasFullScreen(fullScreenButton)
{
    setObjectName(QStringLiteral("titleBar"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("TTitleBar{background:#1f1f1f;}"
                                 "QLabel#titleLabel{color:#c8c8c8;}"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Hover moves reach the window through the bar, so that the window's
    // resize cursor also shows along the bar's edges.
    setMouseTracking(true);

    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_titleLabel->setTextFormat(Qt::PlainText);
    m_minimiseButton->setObjectName(QStringLiteral("minimiseButton"));
    m_minimiseButton->setIcon(titleBarGlyphIcon(TitleBarGlyph::Minimise, kButtonSize));
    m_fullScreenButton->setObjectName(QStringLiteral("fullScreenButton"));
    m_fullScreenButton->setIcon(titleBarGlyphIcon(TitleBarGlyph::FullScreen, kButtonSize));
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setIcon(titleBarGlyphIcon(TitleBarGlyph::Close, kButtonSize));

    auto *layout = new QHBoxLayout(this);
    layout->setObjectName(QStringLiteral("titleBarLayout"));
    layout->setContentsMargins(12, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_titleLabel, 1);
    if (extra)
        layout->addWidget(extra);
    layout->addWidget(m_minimiseButton);
    layout->addWidget(m_fullScreenButton);
    layout->addWidget(m_closeButton);

    connect(m_minimiseButton, &TIconButton::clicked, this, &TTitleBar::minimiseHost);
    connect(m_fullScreenButton, &TIconButton::clicked, this, &TTitleBar::fullScreenClicked);
    connect(m_closeButton, &TIconButton::clicked, this, &TTitleBar::closeHost);

    updateButtons();
    retranslate();
}

TTitleBar::~TTitleBar() = default;

void TTitleBar::setTitle(const QString &title)
{
    m_titleLabel->setText(title);
}

QString TTitleBar::title() const
{
    return m_titleLabel->text();
}

void TTitleBar::setOnlyClose(bool onlyClose)
{
    m_onlyClose = onlyClose;
    updateButtons();
}

bool TTitleBar::onlyClose() const
{
    return m_onlyClose;
}

void TTitleBar::setFullScreenShown(bool fullScreen)
{
    if (fullScreen == m_fullScreenShown)
        return;
    m_fullScreenShown = fullScreen;
    m_fullScreenButton->setIcon(titleBarGlyphIcon(
        fullScreen ? TitleBarGlyph::LeaveFullScreen : TitleBarGlyph::FullScreen, kButtonSize));
    retranslate();
}

QSize TTitleBar::sizeHint() const
{
    return QSize(QWidget::sizeHint().width(), defaultHeight);
}

void TTitleBar::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void TTitleBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_fullScreenButton->isVisibleTo(this)) {
        event->ignore();
        return;
    }
    emit fullScreenClicked();
}

void TTitleBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

// A floating bar (a window of its own while its window is in full screen)
// still acts on the window that it belongs to.
QWidget *TTitleBar::hostWindow()
{
    return parentWidget() ? parentWidget()->window() : window();
}

void TTitleBar::minimiseHost()
{
    emit minimiseClicked();
    hostWindow()->showMinimized();
}

void TTitleBar::closeHost()
{
    emit closeClicked();
    hostWindow()->close();
}

void TTitleBar::updateButtons()
{
    m_minimiseButton->setVisible(m_hasMinimise && !m_onlyClose);
    m_fullScreenButton->setVisible(m_hasFullScreen && !m_onlyClose);
}

void TTitleBar::retranslate()
{
    nativeSetToolTip(m_minimiseButton, tr("Minimise"));
    nativeSetToolTip(m_fullScreenButton, m_fullScreenShown ? tr("Exit Full Screen") : tr("Full Screen"));
    nativeSetToolTip(m_closeButton, tr("Close"));
}
