#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct PcmSound {
    int format = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    std::vector<int> samples;
};

quint32 u32(const QByteArray &data, int at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

quint16 u16(const QByteArray &data, int at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

// Reads a RIFF WAVE file's format and 16-bit samples; fails on any chunk that
// runs past the end of the file.
bool readWave(const QByteArray &data, PcmSound *sound)
{
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "WAVE")
        return false;
    if (u32(data, 4) != quint32(data.size() - 8))
        return false;
    bool sawFormat = false;
    for (int at = 12; at + 8 <= data.size();) {
        const QByteArray id = data.mid(at, 4);
        const quint32 size = u32(data, at + 4);
        const int body = at + 8;
        if (size > quint32(data.size() - body))
            return false;
        if (id == "fmt " && size >= 16) {
            sound->format = u16(data, body);
            sound->channels = u16(data, body + 2);
            sound->sampleRate = int(u32(data, body + 4));
            sound->bitsPerSample = u16(data, body + 14);
            sawFormat = true;
        } else if (id == "data" && sawFormat && sound->bitsPerSample == 16) {
            for (quint32 i = 0; i + 1 < size; i += 2)
                sound->samples.push_back(qFromLittleEndian<qint16>(data.constData() + body + i));
            return true;
        }
        at = body + int(size) + int(size % 2);
    }
    return false;
}

class Sound : public ::testing::TestWithParam<const char *> {};

TEST_P(Sound, IsShortMonoPcmWithoutClicks)
{
    QFile file(QString::fromLatin1(GetParam()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    PcmSound sound;
    ASSERT_TRUE(readWave(file.readAll(), &sound));
    EXPECT_EQ(sound.format, 1); // integer PCM, which every audio back end plays
    EXPECT_EQ(sound.channels, 1);
    EXPECT_EQ(sound.sampleRate, 44100);
    EXPECT_EQ(sound.bitsPerSample, 16);

    const double seconds = double(sound.samples.size()) / sound.sampleRate;
    EXPECT_GT(seconds, 0.1);
    EXPECT_LT(seconds, 1.0);

    int peak = 0;
    for (int sample : sound.samples)
        peak = std::max(peak, std::abs(sample));
    EXPECT_GT(peak, 32767 / 4) << "too quiet";
    EXPECT_LT(peak, 32767 * 9 / 10) << "no headroom";

    // Starting or stopping away from zero would click.
    ASSERT_FALSE(sound.samples.empty());
    EXPECT_LT(std::abs(sound.samples.front()), 100);
    EXPECT_LT(std::abs(sound.samples.back()), 100);
}

INSTANTIATE_TEST_SUITE_P(Effects, Sound,
                         ::testing::Values(":/resources/sound/shot.wav", ":/resources/sound/shake.wav"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return std::string(info.index == 0 ? "shot" : "shake");
                         });

TEST(Sounds, DifferFromEachOther)
{
    QFile shot(QStringLiteral(":/resources/sound/shot.wav"));
    QFile shake(QStringLiteral(":/resources/sound/shake.wav"));
    ASSERT_TRUE(shot.open(QIODevice::ReadOnly));
    ASSERT_TRUE(shake.open(QIODevice::ReadOnly));
    EXPECT_NE(shot.readAll(), shake.readAll());
}

} // namespace
