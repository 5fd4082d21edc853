#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

// What an agent does with the bytes of its connection. Called on the agent's
// own thread only.
class StreamConsumer
{
public:
    virtual ~StreamConsumer() = default;

    // A new connection starts from a clean state.
    virtual void reset() = 0;
    // False once the bytes are malformed; error() tells why.
    virtual bool consume(const std::uint8_t *data, std::size_t size) = 0;
    virtual std::string error() const = 0;
};

// Feeds one of guestproto's stream decoders and hands each complete message
// on, in the order it arrived.
template <typename Decoder> class DecodingConsumer final : public StreamConsumer
{
public:
    using Message = typename Decoder::MessageType;

    explicit DecodingConsumer(std::function<void(Message)> onMessage)
        : m_onMessage(std::move(onMessage))
    {
    }

    void reset() override { m_decoder.reset(); }

    bool consume(const std::uint8_t *data, std::size_t size) override
    {
        const bool ok = m_decoder.feed(data, size);
        // Messages decoded before a malformed one still count.
        while (auto message = m_decoder.next())
            m_onMessage(std::move(*message));
        return ok;
    }

    std::string error() const override { return m_decoder.errorReason(); }

private:
    Decoder m_decoder;
    std::function<void(Message)> m_onMessage;
};
