#include "TDialog.h"

#include "TTitleBar.h"

#include <QMouseEvent>
#include <QVBoxLayout>

TDialog::TDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_titleBar(new TTitleBar(this, false, false))
    , m_body(new QWidget(this))
{
    setObjectName(QStringLiteral("dialog"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("TDialog{background:#393939;border:1px solid #4a4a4a;}"));
    m_body->setObjectName(QStringLiteral("dialogBody"));

    auto *layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("dialogLayout"));
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(m_titleBar);
    layout->addWidget(m_body, 1);

    connect(this, &QWidget::windowTitleChanged, m_titleBar, &TTitleBar::setTitle);
}

TDialog::~TDialog() = default;

TTitleBar *TDialog::titleBar() const
{
    return m_titleBar;
}

QWidget *TDialog::body() const
{
    return m_body;
}

void TDialog::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_titleBar->geometry().contains(event->pos())) {
        QDialog::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_dragOffset = event->globalPos() - pos();
}

void TDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) {
        m_dragging = false;
        QDialog::mouseMoveEvent(event);
        return;
    }
    move(event->globalPos() - m_dragOffset);
}

void TDialog::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QDialog::mouseReleaseEvent(event);
}
