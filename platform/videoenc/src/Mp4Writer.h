#pragma once

#include <cstdint>
#include <map>
#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

// One recording: RGBA frames converted to yuv420p, encoded with libx264 and
// muxed into a fragmented MP4: an index at the front, so that a player can
// start before it has read the whole file, and a fragment written every
// half second, so that a recorder that is killed or loses power, or a disk
// that fills up, leaves a file that plays up to its last fragment.
//
// Every frame is stamped with the time it was taken. A frame's duration is
// only known when the next one arrives, so each frame is held back until
// then and handed to the encoder with its duration; the packets that come
// out take it over. Without durations the muxer gives the last sample none
// and players drop it.
class Mp4Writer
{
public:
    struct Settings
    {
        const char *preset = "ultrafast";
        int crf = 23;
        // 0: one per processor, as the encoder picks.
        int threads = 0;
    };

    Mp4Writer() = default;
    ~Mp4Writer();
    Mp4Writer(const Mp4Writer &) = delete;
    Mp4Writer &operator=(const Mp4Writer &) = delete;

    // Creates path and writes the header. On failure nothing it created is
    // left behind and the writer stays closed.
    bool open(const std::string &path, int width, int height, int frameRate, const Settings &settings);
    // rgba: the rows of a frame width * 4 bytes apart (the width given to
    // open), taken at timeUs on a monotonic clock in microseconds.
    bool append(const std::uint8_t *rgba, std::int64_t timeUs);
    // The held frame lasts until endUs. Drains the encoder, writes the last
    // fragment and the fragments' index and closes the file; removes it
    // when it holds no frame. False when anything could not be written.
    bool finish(std::int64_t endUs);

    int framesAppended() const { return m_frames; }
    int encodedWidth() const { return m_width; }
    int encodedHeight() const { return m_height; }

private:
    bool openEncoder(int frameRate, const Settings &settings);
    bool openFile(const std::string &path);
    std::int64_t ticksSinceFirst(std::int64_t timeUs) const;
    bool convert(const std::uint8_t *rgba);
    bool encodeHeld(std::int64_t endTicks);
    bool send(const AVFrame *frame);
    bool writeFailed() const;
    void close();

    AVFormatContext *m_format = nullptr;
    AVCodecContext *m_codec = nullptr;
    AVStream *m_stream = nullptr;
    AVFrame *m_frame = nullptr;
    AVPacket *m_packet = nullptr;
    SwsContext *m_scaler = nullptr;
    std::string m_path;
    bool m_createdFile = false;
    int m_inputStride = 0;
    int m_width = 0;
    int m_height = 0;
    int m_frames = 0;
    bool m_holding = false;
    bool m_failed = false;
    std::int64_t m_firstUs = 0;
    std::int64_t m_lastPts = -1;
    // pts of a frame handed to the encoder -> its duration, until its packet
    // comes out.
    std::map<std::int64_t, std::int64_t> m_durations;
};
