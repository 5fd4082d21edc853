#include "settings/ImeiGenerator.h"

#include <QDebug>

#include <array>
#include <mutex>
#include <random>

namespace {

constexpr int kRandomPairs = 6;

class ImeiRandom
{
public:
    std::array<int, kRandomPairs> drawPairs()
    {
        std::lock_guard<std::mutex> locker(m_lock);
        qDebug() << "srand called" << m_seeded;
        if (!m_seeded) {
            seedFromSystem();
            m_seeded = true;
        }
        std::array<int, kRandomPairs> pairs{};
        for (int &pair : pairs)
            pair = static_cast<int>(m_engine() % 100);
        return pairs;
    }

private:
    // Seeded from the system's random source rather than the clock, so that
    // players started in the same second get different identities.
    void seedFromSystem()
    {
        std::random_device device;
        std::array<std::seed_seq::result_type, std::mt19937::state_size> words{};
        for (auto &word : words)
            word = device();
        std::seed_seq sequence(words.begin(), words.end());
        m_engine.seed(sequence);
    }

    std::mutex m_lock;
    std::mt19937 m_engine;
    bool m_seeded = false;
};

ImeiRandom &imeiRandom()
{
    static ImeiRandom random;
    return random;
}

} // namespace

int luhnCheckDigit(const QString &digits)
{
    int sum = 0;
    const int count = digits.size();
    for (int i = 0; i < count; ++i) {
        const QChar c = digits.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        int digit = c.unicode() - '0';
        const bool doubled = (count - i) % 2 == 1;
        if (doubled) {
            digit *= 2;
            if (digit > 9)
                digit -= 9;
        }
        sum += digit;
    }
    return sum % 10 == 0 ? 0 : 10 - sum % 10;
}

QString generateImei()
{
    QString imei = QStringLiteral("86");
    for (int pair : imeiRandom().drawPairs())
        imei += QString::asprintf("%02d", pair);
    imei += QString::number(luhnCheckDigit(imei));
    return imei;
}
