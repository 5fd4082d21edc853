#pragma once

#include <guestproto/ByteReader.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace guest {

enum class DecodeError {
    None,
    UnknownCode,       // a message code this connection does not carry
    UnknownSubCommand, // a known code with a second field the decoder cannot frame
    BadLength,         // a length that does not fit the code, or a negative one
    TooLong,           // a text longer than the decoder's limit
};

const char *toString(DecodeError error);

// Incremental decoder of one host-to-guest byte stream. Feed it chunks as
// they arrive, in any split; take out each complete message once. The first
// malformed message puts it into a sticky error state: it decodes nothing
// more and drops what it buffered (the connection is beyond repair). A
// length is checked against its bound before any byte of the body is waited
// for, and nothing is ever sized from an announced length: the decoder only
// holds the bytes actually fed.
template <typename Message>
class StreamDecoder
{
public:
    using MessageType = Message;

    virtual ~StreamDecoder() = default;

    // Returns false once the decoder has failed (now or earlier).
    bool feed(const void *data, std::size_t size);
    bool feed(const std::vector<std::uint8_t> &bytes) { return feed(bytes.data(), bytes.size()); }

    // The oldest decoded message not taken yet.
    std::optional<Message> next();
    std::size_t available() const { return m_messages.size(); }

    bool failed() const { return m_error != DecodeError::None; }
    DecodeError error() const { return m_error; }
    const std::string &errorReason() const { return m_reason; }

    // Bytes of a message that is not complete yet.
    std::size_t bufferedBytes() const { return m_buffer.size(); }

    // Back to the initial state, e.g. for a new connection.
    void reset();

protected:
    enum class Step { Decoded, NeedMore, Failed };

    // Decodes one message from the start of reader: Decoded (and out set,
    // reader moved past it), NeedMore (more bytes needed; checks on what is
    // there have passed), or Failed through fail().
    virtual Step decodeOne(ByteReader &reader, Message &out) = 0;

    Step fail(DecodeError error, std::string reason);

    // A 32-bit length followed by that many bytes of text, at most limit.
    Step readText(ByteReader &reader, std::size_t limit, const char *what, std::string &out);

private:
    // Decodes every complete message of [data, data + size); returns the
    // number of bytes consumed.
    std::size_t decodeAll(const std::uint8_t *data, std::size_t size);

    std::vector<std::uint8_t> m_buffer;
    std::deque<Message> m_messages;
    DecodeError m_error = DecodeError::None;
    std::string m_reason;
};

template <typename Message>
bool StreamDecoder<Message>::feed(const void *data, std::size_t size)
{
    if (failed())
        return false;
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    if (size == 0)
        return true;
    if (m_buffer.empty()) {
        // Common case: decode straight from the caller's chunk, keep only its tail.
        const std::size_t used = decodeAll(bytes, size);
        if (!failed())
            m_buffer.assign(bytes + used, bytes + size);
        return !failed();
    }
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    const std::size_t used = decodeAll(m_buffer.data(), m_buffer.size());
    if (failed())
        return false;
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(used));
    return true;
}

template <typename Message>
std::optional<Message> StreamDecoder<Message>::next()
{
    if (m_messages.empty())
        return std::nullopt;
    Message message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

template <typename Message>
void StreamDecoder<Message>::reset()
{
    m_buffer.clear();
    m_messages.clear();
    m_error = DecodeError::None;
    m_reason.clear();
}

template <typename Message>
typename StreamDecoder<Message>::Step StreamDecoder<Message>::fail(DecodeError error,
                                                                   std::string reason)
{
    m_error = error;
    m_reason = std::move(reason);
    return Step::Failed;
}

template <typename Message>
typename StreamDecoder<Message>::Step
StreamDecoder<Message>::readText(ByteReader &reader, std::size_t limit, const char *what,
                                 std::string &out)
{
    std::int32_t length = 0;
    if (!reader.i32(length))
        return Step::NeedMore;
    if (length < 0)
        return fail(DecodeError::BadLength,
                    std::string(what) + " has a negative length " + std::to_string(length));
    if (static_cast<std::size_t>(length) > limit)
        return fail(DecodeError::TooLong, std::string(what) + " of " + std::to_string(length) +
                                              " bytes exceeds the limit of " +
                                              std::to_string(limit));
    return reader.bytes(static_cast<std::size_t>(length), out) ? Step::Decoded : Step::NeedMore;
}

template <typename Message>
std::size_t StreamDecoder<Message>::decodeAll(const std::uint8_t *data, std::size_t size)
{
    std::size_t used = 0;
    while (used < size) {
        ByteReader reader(data + used, size - used);
        Message message{};
        const Step step = decodeOne(reader, message);
        if (step == Step::Failed) {
            m_buffer.clear();
            return size;
        }
        if (step == Step::NeedMore)
            break;
        m_messages.push_back(std::move(message));
        used += reader.position();
    }
    return used;
}

} // namespace guest
