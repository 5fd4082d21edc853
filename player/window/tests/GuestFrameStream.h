#pragma once

#include <QImage>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

class FrameSender;

// A guest's display stream into the real renderer library, loaded through
// the player's binding: a thread sends the current image (RGBA8888) at the
// given rate, with a settable rotation, so that the player's screenCapture
// reads it as it would read the guest.
class GuestFrameStream
{
public:
    GuestFrameStream() = default;
    ~GuestFrameStream();
    GuestFrameStream(const GuestFrameStream &) = delete;
    GuestFrameStream &operator=(const GuestFrameStream &) = delete;

    // Loads the renderer, starts its stream server and the sending thread.
    bool start(const QImage &image, int fps);
    void setImage(const QImage &image, std::uint32_t rotation);
    // True once the renderer gives back exactly image at its size.
    static bool rendererShows(const QImage &image);

    // Pixel (x, y) holds x and y in its colour: every pixel differs.
    static QImage numberedImage(int width, int height);

private:
    void send(FrameSender &sender, int fps);

    std::mutex m_lock;
    QImage m_image;
    std::uint32_t m_rotation = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
