#include <service/gps.h>

#include "misc_internal.h"
#include "wire.h"

#include <QByteArray>
#include <QDebug>

#include <initializer_list>

namespace {

constexpr std::int32_t kGpsOn = 1;
constexpr std::int32_t kGpsOff = 2;
constexpr std::int32_t kGpsFix = 3;
// The guest's fix text holds at most this many bytes.
constexpr int kMaxFixText = 255;

// Six digits after the point, as "%f" prints in the C locale. The process
// locale must not matter: under a comma-decimal locale "%f" would write
// "108,937500" and turn five fields into ten for the guest.
QByteArray fixText(std::initializer_list<float> values)
{
    QByteArray text;
    for (const float value : values) {
        if (!text.isEmpty())
            text.append(',');
        text.append(QByteArray::number(static_cast<double>(value), 'f', 6));
    }
    return text.left(kMaxFixText);
}

} // namespace

using namespace service;

extern "C" {

void gps_set_enable(int enable)
{
    miscConnection().post(wire::ints(kMiscGps, enable != 0 ? kGpsOn : kGpsOff));
}

void gps_set_data(float a, float b, float c, float d, float e)
{
    const QByteArray text = fixText({a, b, c, d, e});
    qDebug() << "gps set data " << text.constData();
    const auto length = static_cast<std::size_t>(text.size());
    const auto message = wire::intsThenBytes({kMiscGps, kGpsFix, static_cast<int>(length)},
                                             text.constData(), length);
    miscConnection().post(message.data(), static_cast<int>(message.size()));
}

} // extern "C"
