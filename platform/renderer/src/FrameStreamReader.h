#pragma once

#include "Frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace renderer {

// Parses one guest connection's display stream as it arrives. The caller
// receives bytes straight into writePointer() (at most writeRoom() of them)
// and reports them with commit(); frame pixels land in the frame's own image
// without a copy and are turned into the display's pixel order there while
// they are still in the processor's cache. Every field is checked before it
// is used.
class FrameStreamReader
{
public:
    struct Step
    {
        std::shared_ptr<Frame> frame; // set when commit() completed a frame
        const char *error = nullptr;  // set when the stream is bad: drop the connection
    };

    std::uint8_t *writePointer();
    std::size_t writeRoom() const;
    Step commit(std::size_t count);

private:
    enum class Stage { Hello, Header, Payload };

    Step finishHello();
    Step finishHeader();
    Step finishPayload();
    // The payload's whole pixels that arrived since the last call, in place.
    void convertArrivedPixels();

    Stage m_stage = Stage::Hello;
    std::array<std::uint8_t, 32> m_head{};
    std::size_t m_expected = 8;
    std::size_t m_filled = 0;
    std::size_t m_converted = 0; // payload bytes already in display order
    std::shared_ptr<Frame> m_frame;
};

} // namespace renderer
