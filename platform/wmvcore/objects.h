#pragma once

// The module's implementations of the small interfaces that reader, writer
// and profile manager share: buffers, media properties, stream
// configurations, profiles and header attributes.

#include "platform/wmvcore/wmvcore.h"

#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace sonivert::wmvcore {

// Runs f, turning any exception into a result: nothing may leave the module
// by unwinding.
template <typename F>
Result guarded(F&& f) noexcept
{
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (...) {
        return kFail;
    }
}

// Hands a new object to the caller through out; kInvalidArgument for a null out.
template <typename Interface, typename Impl>
Result handOut(Interface** out, std::unique_ptr<Impl> object)
{
    if (!out)
        return kInvalidArgument;
    *out = object.release();
    return kOk;
}

std::u16string textOf(const char16_t* text);

class BufferImpl final : public Buffer {
public:
    explicit BufferImpl(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)), m_length(m_bytes.size()) {}
    void Release() noexcept override { delete this; }
    Result GetBufferAndLength(uint8_t** data, uint32_t* length) noexcept override;
    Result GetMaxLength(uint32_t* length) noexcept override;
    Result SetLength(uint32_t length) noexcept override;

    std::span<const uint8_t> bytes() const { return {m_bytes.data(), m_length}; }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_length;
};

// Reads the media-type block of any MediaProps (size query, then the block).
bool fetchMediaType(MediaProps& props, std::vector<uint8_t>& block);

// Media type held as a block; the common part of props and stream configs.
class MediaTypeHolder {
public:
    Result getType(Guid* majorType) const;
    Result getMediaType(void* block, uint32_t* size) const;
    Result setMediaType(const void* block, uint32_t size);

    const std::vector<uint8_t>& block() const { return m_block; }
    void setBlock(std::vector<uint8_t> block) { m_block = std::move(block); }
    Guid majorType() const;

private:
    std::vector<uint8_t> m_block;
};

class MediaPropsImpl final : public MediaProps {
public:
    explicit MediaPropsImpl(std::vector<uint8_t> block) { m_type.setBlock(std::move(block)); }
    void Release() noexcept override { delete this; }
    Result GetType(Guid* majorType) noexcept override { return m_type.getType(majorType); }
    Result GetMediaType(void* block, uint32_t* size) noexcept override { return m_type.getMediaType(block, size); }
    Result SetMediaType(const void* block, uint32_t size) noexcept override;

private:
    MediaTypeHolder m_type;
};

struct StreamSettings {
    std::vector<uint8_t> mediaType;
    Guid majorType;
    uint16_t number = 0;
    std::u16string name;
    std::u16string connection;
    uint32_t bitRate = 0;
    uint32_t bufferWindow = 0;
};

class StreamConfigImpl final : public StreamConfig {
public:
    explicit StreamConfigImpl(StreamSettings settings);
    void Release() noexcept override { delete this; }
    Result GetType(Guid* majorType) noexcept override;
    Result GetMediaType(void* block, uint32_t* size) noexcept override { return m_type.getMediaType(block, size); }
    Result SetMediaType(const void* block, uint32_t size) noexcept override;
    Result GetStreamNumber(uint16_t* number) noexcept override;
    Result SetStreamNumber(uint16_t number) noexcept override;
    Result SetStreamName(const char16_t* name) noexcept override;
    Result SetConnectionName(const char16_t* name) noexcept override;
    Result GetBitrate(uint32_t* bitsPerSecond) noexcept override;
    Result SetBitrate(uint32_t bitsPerSecond) noexcept override;
    Result SetBufferWindow(uint32_t milliseconds) noexcept override;

    // What this configuration says, media type included.
    StreamSettings settings() const;

private:
    StreamSettings m_settings; // all but the media type
    MediaTypeHolder m_type;
};

class ProfileImpl final : public Profile {
public:
    ProfileImpl() = default;
    explicit ProfileImpl(std::vector<StreamSettings> streams) : m_streams(std::move(streams)) {}
    void Release() noexcept override { delete this; }
    Result GetStreamCount(uint32_t* count) noexcept override;
    Result GetStream(uint32_t index, StreamConfig** config) noexcept override;
    Result CreateNewStream(const Guid& majorType, StreamConfig** config) noexcept override;
    Result AddStream(StreamConfig* config) noexcept override;

    const std::vector<StreamSettings>& streams() const { return m_streams; }

private:
    std::vector<StreamSettings> m_streams;
};

// The attributes of a file, in the order they were added.
struct Attribute {
    uint16_t stream = 0;
    std::u16string name;
    AttributeType type = AttributeType::String;
    std::vector<uint8_t> value;
};

struct AttributeStore {
    std::vector<Attribute> attributes;
    bool frozen = false; // writing has begun: no more attributes

    const Attribute* find(uint16_t stream, std::u16string_view name) const;
    // A string attribute as UTF-8: the UTF-16 units up to the first zero.
    static std::string stringValue(const Attribute& attribute);
};

class HeaderInfoImpl final : public HeaderInfo {
public:
    explicit HeaderInfoImpl(std::shared_ptr<AttributeStore> store) : m_store(std::move(store)) {}
    void Release() noexcept override { delete this; }
    Result GetAttributeByName(uint16_t* streamNumber, const char16_t* name, AttributeType* type, uint8_t* value,
                              uint16_t* length) noexcept override;
    Result AddAttribute(uint16_t streamNumber, const char16_t* name, uint16_t* index, AttributeType type,
                        uint16_t languageIndex, const uint8_t* value, uint32_t length) noexcept override;

private:
    std::shared_ptr<AttributeStore> m_store;
};

} // namespace sonivert::wmvcore
