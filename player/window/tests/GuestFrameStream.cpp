#include "GuestFrameStream.h"

#include "FrameSender.h"

#include "display/RendererBinding.h"

#include <chrono>
#include <string>
#include <vector>

GuestFrameStream::~GuestFrameStream()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool GuestFrameStream::start(const QImage &image, int fps)
{
    if (!glrender::loadRenderer())
        return false;
    char address[64] = {};
    if (glrender::initOpenGLRenderer(image.width(), image.height(), address, sizeof address) == 0)
        return false;
    setImage(image, 0);
    m_thread = std::thread([this, fps, target = std::string(address)] {
        FrameSender sender;
        if (sender.connectTo(target) && sender.sendHello())
            send(sender, fps);
    });
    return true;
}

void GuestFrameStream::setImage(const QImage &image, std::uint32_t rotation)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_image = image.convertToFormat(QImage::Format_RGBA8888);
    m_rotation = rotation;
}

void GuestFrameStream::send(FrameSender &sender, int fps)
{
    const std::chrono::microseconds interval(1000000 / fps);
    auto next = std::chrono::steady_clock::now();
    std::vector<std::uint8_t> pixels;
    while (!m_stop) {
        FrameHeader header;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            header = FrameHeader::forImage(m_image.width(), m_image.height(), m_rotation);
            pixels.assign(m_image.constBits(), m_image.constBits() + m_image.sizeInBytes());
        }
        header.sentAtUs = monotonicMicroseconds();
        if (!sender.sendFrame(header, pixels))
            return;
        next += interval;
        std::this_thread::sleep_until(next);
    }
}

bool GuestFrameStream::rendererShows(const QImage &image)
{
    const QImage expected = image.convertToFormat(QImage::Format_RGBA8888);
    QImage captured(expected.size(), QImage::Format_RGBA8888);
    if (glrender::screenCapture(captured.bits(), captured.width(), captured.height()) != 0)
        return false;
    return captured == expected;
}

QImage GuestFrameStream::numberedImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[x * 4] = uchar(x);
            row[x * 4 + 1] = uchar(y);
            row[x * 4 + 2] = uchar((x >> 8) | (y >> 8) << 4);
            row[x * 4 + 3] = 255;
        }
    }
    return image;
}
