#include <service/gps.h>

#include "misc_internal.h"
#include "wire.h"

#include <QDebug>

#include <cstdio>
#include <cstring>

namespace {

constexpr std::int32_t kGpsOn = 1;
constexpr std::int32_t kGpsOff = 2;
constexpr std::int32_t kGpsFix = 3;

} // namespace

using namespace service;

extern "C" {

void gps_set_enable(int enable)
{
    miscConnection().post(wire::ints(kMiscGps, enable != 0 ? kGpsOn : kGpsOff));
}

void gps_set_data(float a, float b, float c, float d, float e)
{
    char text[256] = {};
    std::snprintf(text, sizeof text, "%f,%f,%f,%f,%f", static_cast<double>(a),
                  static_cast<double>(b), static_cast<double>(c), static_cast<double>(d),
                  static_cast<double>(e));
    qDebug() << "gps set data " << text;
    const std::size_t length = std::strlen(text);
    const auto message =
        wire::intsThenBytes({kMiscGps, kGpsFix, static_cast<int>(length)}, text, length);
    miscConnection().post(message.data(), static_cast<int>(message.size()));
}

} // extern "C"
