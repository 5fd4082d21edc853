#include "splash/TSplashWidget.h"

#include "splash/TSplashImage.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kImageStretch = 100;
constexpr int kProgressBarHeight = 2;
constexpr int kHelpTextHeight = 72;

} // namespace

TSplashWidget::TSplashWidget(QWidget *parent)
    : QWidget(parent)
    , m_image(new TSplashImage(this))
    , m_progressBar(new QProgressBar(this))
    , m_helpText(new QLabel(this))
    , m_progressTimer(new QTimer(this))
    , m_helpTimer(new QTimer(this))
{
    m_image->setObjectName(QStringLiteral("splashImage"));

    m_progressBar->setObjectName(QStringLiteral("bootProgress"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setFixedHeight(kProgressBarHeight);
    m_progressBar->setTextVisible(false);
    m_progressBar->setAlignment(Qt::AlignCenter);
    m_progressBar->setStyleSheet(QStringLiteral("border:0px solid transparent;font:8px;color:black;"));

    m_helpText->setObjectName(QStringLiteral("helpTextView"));
    m_helpText->setStyleSheet(QStringLiteral("color:#ffffffff;"));
    // The texts may come from the web: shown as written, never as markup.
    m_helpText->setTextFormat(Qt::PlainText);
    m_helpText->setAlignment(Qt::AlignCenter);
    m_helpText->setFixedHeight(kHelpTextHeight);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_image, kImageStretch);
    layout->addWidget(m_progressBar, 0);
    layout->addWidget(m_helpText, 0);

    connect(m_progressTimer, &QTimer::timeout, this, &TSplashWidget::progressTimeout);
    connect(m_helpTimer, &QTimer::timeout, this, &TSplashWidget::helpTextTimeout);
}

void TSplashWidget::setBackgroundImage(const QString &path, bool stretch)
{
    m_background = path;
    m_stretch = stretch;
    if (stretch) {
        update();
        return;
    }
    QPalette palette = this->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(QPixmap(path)));
    setPalette(palette);
    setAutoFillBackground(true);
}

void TSplashWidget::setSplashImages(const QString &background, const QString &foreground)
{
    m_image->setImages(background, foreground);
}

void TSplashWidget::startProgress(int durationMs, int target)
{
    if (target < 1 || target > 100)
        return;
    m_progressTimer->stop();
    m_progressTarget = target;
    m_progressTimer->start(durationMs / target);
}

void TSplashWidget::setProgress(int value)
{
    m_progressTimer->stop();
    m_progressBar->setValue(qBound(0, value, 100));
}

void TSplashWidget::setHelpTexts(const QStringList &texts, int intervalMs)
{
    m_helpTimer->stop();
    if (texts != m_helpTexts)
        m_helpTexts = texts;
    m_helpIntervalMs = intervalMs;
    if (m_helpTexts.isEmpty())
        return;
    helpTextTimeout();
    m_helpTimer->start(m_helpIntervalMs);
}

void TSplashWidget::setHelpTextColor(const QColor &color)
{
    m_helpText->setStyleSheet(QStringLiteral("color:%1;").arg(color.name(QColor::HexRgb)));
}

int TSplashWidget::progress() const
{
    return m_progressBar->value();
}

QString TSplashWidget::helpText() const
{
    return m_helpText->text();
}

bool TSplashWidget::progressRunning() const
{
    return m_progressTimer->isActive();
}

void TSplashWidget::progressTimeout()
{
    m_progressBar->setValue(m_progressBar->value() + 1);
    if (m_progressBar->value() >= m_progressTarget)
        m_progressTimer->stop();
}

void TSplashWidget::helpTextTimeout()
{
    if (m_helpTexts.isEmpty())
        return;
    const int index = int(QRandomGenerator::global()->bounded(quint32(m_helpTexts.size())));
    m_helpText->setText(m_helpTexts.at(index));
}

void TSplashWidget::paintEvent(QPaintEvent *event)
{
    if (m_stretch && !m_background.isEmpty()) {
        QPainter painter(this);
        painter.drawPixmap(rect(), QPixmap(m_background).scaled(size(), Qt::IgnoreAspectRatio,
                                                                Qt::FastTransformation));
    }
    QWidget::paintEvent(event);
}
