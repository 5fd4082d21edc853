#include "VBoxManageCodeSet.h"

#include <QTextCodec>

#include <langinfo.h>
#include <locale.h>

namespace {

// The charset of the locale the environment names, without touching this
// process's own locale. A locale that is not installed is the C locale,
// as it is for VBoxManage.
QByteArray environmentCharset()
{
    const locale_t environment = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (environment == static_cast<locale_t>(nullptr))
        return QByteArrayLiteral("ANSI_X3.4-1968");
    const QByteArray charset(nl_langinfo_l(CODESET, environment));
    freelocale(environment);
    return charset;
}

QTextCodec *outputCodec()
{
    QTextCodec *codec = QTextCodec::codecForName(environmentCharset());
    return codec != nullptr ? codec : QTextCodec::codecForLocale();
}

} // namespace

namespace VBoxManageCodeSet {

QString decode(const QByteArray &bytes)
{
    static QTextCodec *const codec = outputCodec();
    return codec->toUnicode(bytes);
}

} // namespace VBoxManageCodeSet
