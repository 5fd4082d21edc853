#include "app/InputLanguageRequest.h"

#include <QByteArray>
#include <QDebug>

#include <windows.h>

namespace {
constexpr UINT kInputLanguageChangeRequest = 0x0050;
constexpr UINT kReplaceLayoutOfSameLanguage = 0x10;
} // namespace

bool handleInputLanguageRequest(const QByteArray &, void *message, long *result)
{
    const auto *msg = static_cast<const MSG *>(message);
    if (msg == nullptr || msg->message != kInputLanguageChangeRequest)
        return false;
    qDebug() << "input method changed";
    ActivateKeyboardLayout(reinterpret_cast<HKL>(msg->lParam), kReplaceLayoutOfSameLanguage);
    if (result != nullptr)
        *result = 1;
    return true;
}
