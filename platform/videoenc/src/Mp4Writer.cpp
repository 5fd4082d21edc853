#include "Mp4Writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

namespace {

// The stream's clock: 90 kHz, the usual video clock, fine enough for any
// capture rate and far from overflowing MP4's 32-bit sample durations.
constexpr AVRational kTimeBase = {1, 90000};

// A new fragment, and a write to the file, every half second of video.
constexpr char kFragmentMicroseconds[] = "500000";

bool fileExists(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

} // namespace

Mp4Writer::~Mp4Writer()
{
    close();
}

bool Mp4Writer::open(const std::string &path, int width, int height, int frameRate, const Settings &settings)
{
    if (m_format != nullptr || width < 2 || height < 2 || frameRate < 1)
        return false;
    m_inputStride = width * 4;
    m_width = width & ~1;
    m_height = height & ~1;
    m_frames = 0;
    m_failed = false;
    m_holding = false;
    m_lastPts = -1;
    m_durations.clear();
    if (!openEncoder(frameRate, settings) || !openFile(path)) {
        close();
        if (m_createdFile)
            std::remove(path.c_str());
        return false;
    }
    return true;
}

bool Mp4Writer::openEncoder(int frameRate, const Settings &settings)
{
    const AVCodec *codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr || avformat_alloc_output_context2(&m_format, nullptr, "mp4", nullptr) < 0)
        return false;
    m_stream = avformat_new_stream(m_format, nullptr);
    m_codec = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (m_stream == nullptr || m_codec == nullptr || m_frame == nullptr || m_packet == nullptr)
        return false;

    m_codec->width = m_width;
    m_codec->height = m_height;
    m_codec->pix_fmt = AV_PIX_FMT_YUV420P;
    m_codec->time_base = kTimeBase;
    m_codec->framerate = AVRational{frameRate, 1};
    m_codec->thread_count = settings.threads;
    if (m_format->oformat->flags & AVFMT_GLOBALHEADER)
        m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(m_codec->priv_data, "preset", settings.preset, 0);
    av_opt_set_int(m_codec->priv_data, "crf", settings.crf, 0);
    if (avcodec_open2(m_codec, codec, nullptr) < 0
        || avcodec_parameters_from_context(m_stream->codecpar, m_codec) < 0)
        return false;
    m_stream->time_base = kTimeBase;

    m_frame->format = AV_PIX_FMT_YUV420P;
    m_frame->width = m_width;
    m_frame->height = m_height;
    if (av_frame_get_buffer(m_frame, 0) < 0)
        return false;
    // The sides are equal: this is a colour conversion only, where the
    // filter matters for chroma alone and the cheapest one is good enough.
    m_scaler = sws_getContext(m_width, m_height, AV_PIX_FMT_RGBA, m_width, m_height, AV_PIX_FMT_YUV420P,
                              SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
    return m_scaler != nullptr;
}

// Fragmented: an empty index at the front (players open the file at once),
// then each fragment carries the index of its own frames. Everything up to
// the last fragment written plays, whatever ends the program; the trailer
// only adds an index of the fragments for seeking. The muxer writes each
// fragment through to the file as it is complete.
bool Mp4Writer::openFile(const std::string &path)
{
    m_path = path;
    const bool existed = fileExists(path);
    if (avio_open(&m_format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
        return false;
    m_createdFile = !existed;
    m_format->flush_packets = 1;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "movflags", "+empty_moov+default_base_moof", 0);
    av_dict_set(&options, "frag_duration", kFragmentMicroseconds, 0);
    const int result = avformat_write_header(m_format, &options);
    av_dict_free(&options);
    return result >= 0 && !writeFailed();
}

bool Mp4Writer::append(const std::uint8_t *rgba, std::int64_t timeUs)
{
    if (m_format == nullptr || rgba == nullptr || m_failed)
        return false;
    if (m_frames == 0)
        m_firstUs = timeUs;
    // Equal or backward stamps would be refused by the muxer.
    const std::int64_t pts = std::max(ticksSinceFirst(timeUs), m_lastPts + 1);
    if (m_holding && !encodeHeld(pts))
        return false;
    // The encoder may still hold a reference to the last frame's buffer.
    if (av_frame_make_writable(m_frame) < 0 || !convert(rgba)) {
        m_failed = true;
        return false;
    }
    m_frame->pts = pts;
    m_lastPts = pts;
    m_holding = true;
    ++m_frames;
    return true;
}

std::int64_t Mp4Writer::ticksSinceFirst(std::int64_t timeUs) const
{
    return av_rescale(timeUs - m_firstUs, kTimeBase.den, 1000000 * std::int64_t(kTimeBase.num));
}

bool Mp4Writer::convert(const std::uint8_t *rgba)
{
    const std::uint8_t *planes[] = {rgba};
    const int strides[] = {m_inputStride};
    return sws_scale(m_scaler, planes, strides, 0, m_height, m_frame->data, m_frame->linesize) == m_height;
}

bool Mp4Writer::encodeHeld(std::int64_t endTicks)
{
    m_holding = false;
    m_durations[m_frame->pts] = std::max<std::int64_t>(1, endTicks - m_frame->pts);
    return send(m_frame);
}

// Hands a frame (or, with none, the end of the stream) to the encoder and
// writes every packet that is ready.
bool Mp4Writer::send(const AVFrame *frame)
{
    if (avcodec_send_frame(m_codec, frame) < 0) {
        m_failed = true;
        return false;
    }
    for (;;) {
        const int received = avcodec_receive_packet(m_codec, m_packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            break;
        if (received < 0) {
            m_failed = true;
            return false;
        }
        const auto duration = m_durations.find(m_packet->pts);
        if (duration != m_durations.end()) {
            m_packet->duration = duration->second;
            m_durations.erase(duration);
        }
        av_packet_rescale_ts(m_packet, m_codec->time_base, m_stream->time_base);
        m_packet->stream_index = m_stream->index;
        if (av_interleaved_write_frame(m_format, m_packet) < 0)
            m_failed = true;
    }
    if (writeFailed())
        m_failed = true;
    return !m_failed;
}

bool Mp4Writer::writeFailed() const
{
    return m_format->pb != nullptr && m_format->pb->error < 0;
}

bool Mp4Writer::finish(std::int64_t endUs)
{
    if (m_format == nullptr)
        return false;
    // After a failure the rest is still written: the frames that made it
    // into the file stay playable.
    bool ok = !m_failed;
    m_failed = false;
    if (m_holding)
        ok = encodeHeld(std::max(ticksSinceFirst(endUs), m_lastPts + 1)) && ok;
    ok = send(nullptr) && ok;
    if (m_frames > 0)
        ok = av_write_trailer(m_format) >= 0 && !writeFailed() && ok;
    ok = avio_closep(&m_format->pb) >= 0 && ok;
    const bool empty = m_frames == 0;
    close();
    if (empty && m_createdFile)
        std::remove(m_path.c_str());
    return ok && !empty;
}

void Mp4Writer::close()
{
    sws_freeContext(m_scaler);
    m_scaler = nullptr;
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_codec);
    if (m_format != nullptr) {
        avio_closep(&m_format->pb);
        avformat_free_context(m_format);
        m_format = nullptr;
    }
    m_stream = nullptr;
    m_holding = false;
}
