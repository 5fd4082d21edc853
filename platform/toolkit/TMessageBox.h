#pragma once

#include "TDialog.h"
#include "ToolkitExport.h"

#include <functional>

class QLabel;
class QPushButton;

// A short message in a TDialog. A question has an accept and a cancel
// button ("Ok" and "Cancel" by default, translated in the context
// "TMessageBox"); a notice has the accept button only. exec() returns
// non-zero when accepted.
//
// Tests answer boxes without a person: queueAnswer() adds a function to a
// process-wide queue; each exec() that finds the queue non-empty takes the
// first function, calls it with the fully built box (never shown) and
// returns its result instead of running the box. Buttons are named
// "acceptButton" and "cancelButton", the text label "messageText".
class TOOLKIT_EXPORT TMessageBox : public TDialog
{
    Q_OBJECT

public:
    using Answer = std::function<int(TMessageBox &)>;

    TMessageBox(QWidget *parent, const QString &text, bool question);
    ~TMessageBox() override;

    // Renames the accept and cancel buttons.
    void setButtons(QString accept, QString cancel);

    QString text() const;
    bool isQuestion() const;
    QString acceptText() const;
    QString cancelText() const;

    int exec() override;

    static void queueAnswer(Answer answer);
    static int queuedAnswers();
    static void clearAnswers();

private:
    QLabel *m_text;
    QPushButton *m_acceptButton;
    QPushButton *m_cancelButton;
    bool m_question;
};
