#pragma once

#include <QString>

// A new 15-digit IMEI: "86", twelve random digits and the Luhn check digit.
// Safe to call from several threads at once; the random source is seeded
// once per process, on the first call, from the system's random source.
QString generateImei();

// The Luhn check digit to append to `digits`: counting from the right, the
// first, third, ... digit is doubled (for the 14 digits of an IMEI, the
// places 2, 4, ..., 14 from the left). -1 when the text holds a non-digit.
int luhnCheckDigit(const QString &digits);
