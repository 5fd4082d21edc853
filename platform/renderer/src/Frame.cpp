#include "Frame.h"

#include "PixelOrder.h"

#include <cstddef>

namespace renderer {

bool Frame::copyTo(std::uint8_t *buffer, int width, int height) const
{
    const std::size_t rowBytes = std::size_t(width) * 4;
    const bool sameSize = image.width() == width && image.height() == height;
    const QImage source =
        sameSize ? image
                 : image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
    if (source.isNull())
        return false;
    for (int y = 0; y < height; ++y)
        swapRedBlueOpaque(source.constScanLine(y), buffer + std::size_t(y) * rowBytes, std::size_t(width));
    return true;
}

} // namespace renderer
