#include "TMessageBox.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <deque>

namespace {
std::deque<TMessageBox::Answer> &answerQueue()
{
    static std::deque<TMessageBox::Answer> queue;
    return queue;
}
}

TMessageBox::TMessageBox(QWidget *parent, const QString &text, bool question)
    : TDialog(parent)
    , m_text(new QLabel(text, body()))
    , m_acceptButton(new QPushButton(tr("Ok"), body()))
    , m_cancelButton(new QPushButton(tr("Cancel"), body()))
    , m_question(question)
{
    setObjectName(QStringLiteral("messageBox"));
    setWindowTitle(QGuiApplication::applicationDisplayName());
    setMinimumWidth(320);
    body()->setStyleSheet(QStringLiteral(
        "QLabel#messageText{color:#e0e0e0;}"
        "QPushButton{min-width:72px;padding:5px 12px;color:#e0e0e0;background:#4a4a4a;"
        "border:1px solid #2a2a2a;border-radius:3px;}"
        "QPushButton:hover{background:#575757;}"
        "QPushButton:pressed{background:#333333;}"));

    // The text is shown as it stands, never read as markup.
    m_text->setObjectName(QStringLiteral("messageText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_acceptButton->setObjectName(QStringLiteral("acceptButton"));
    m_acceptButton->setDefault(true);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setVisible(question);

    auto *buttons = new QHBoxLayout;
    buttons->setObjectName(QStringLiteral("buttonLayout"));
    buttons->addStretch(1);
    buttons->addWidget(m_acceptButton);
    buttons->addWidget(m_cancelButton);

    auto *layout = new QVBoxLayout(body());
    layout->setObjectName(QStringLiteral("messageLayout"));
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(20);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);

    connect(m_acceptButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

TMessageBox::~TMessageBox() = default;

void TMessageBox::setButtons(QString accept, QString cancel)
{
    m_acceptButton->setText(accept);
    m_cancelButton->setText(cancel);
}

QString TMessageBox::text() const
{
    return m_text->text();
}

bool TMessageBox::isQuestion() const
{
    return m_question;
}

QString TMessageBox::acceptText() const
{
    return m_acceptButton->text();
}

QString TMessageBox::cancelText() const
{
    return m_cancelButton->text();
}

int TMessageBox::exec()
{
    auto &queue = answerQueue();
    if (queue.empty())
        return TDialog::exec();
    const Answer answer = std::move(queue.front());
    queue.pop_front();
    const int result = answer ? answer(*this) : 0;
    done(result);
    return result;
}

void TMessageBox::queueAnswer(Answer answer)
{
    answerQueue().push_back(std::move(answer));
}

int TMessageBox::queuedAnswers()
{
    return int(answerQueue().size());
}

void TMessageBox::clearAnswers()
{
    answerQueue().clear();
}
