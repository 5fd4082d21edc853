#pragma once

#include <QString>

class SettingsStore;

// The simulated phone's identity as the guest is told it.
struct PhoneIdentity
{
    QString brand;
    QString model;
    QString number;
    QString imei;
};

// Reads the identity from the instance store. An empty brand, model or IMEI
// is replaced by its default (a new IMEI for the IMEI) and written back, so
// the next launch shows the guest the same phone; the number's default is
// applied only when the key is absent and is never written.
PhoneIdentity readPhoneIdentity(SettingsStore &store);
