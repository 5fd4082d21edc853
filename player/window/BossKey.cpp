#include "window/BossKey.h"

#include "app/InstanceName.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QDebug>

namespace {

constexpr int kModifierMask =
    int(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);

QKeySequence parse(QString text)
{
    text.remove(QLatin1Char(' '));
    return QKeySequence::fromString(text, QKeySequence::NativeText);
}

bool namesOneKey(const QKeySequence &sequence)
{
    if (sequence.count() != 1)
        return false;
    const int key = sequence[0] & ~kModifierMask;
    return key != 0 && key != Qt::Key_unknown && key != Qt::Key_Shift && key != Qt::Key_Control &&
           key != Qt::Key_Alt && key != Qt::Key_Meta;
}

} // namespace

QKeySequence BossKey::fromText(const QString &text)
{
    const QKeySequence sequence = parse(text);
    if (namesOneKey(sequence))
        return sequence;
    qDebug() << "invalid boss key" << text << "using" << SettingsDefaults::kWindowBossKey;
    return parse(QString::fromLatin1(SettingsDefaults::kWindowBossKey));
}

QKeySequence BossKey::fromSettings()
{
    const SettingsStore store(instanceName());
    return fromText(store.stringValue(QString::fromLatin1(SettingsKeys::kBossKey),
                                      QString::fromLatin1(SettingsDefaults::kWindowBossKey)));
}
