#include "platform/wmvcore/objects.h"

#include "platform/wmvcore/wmvtext.h"

#include <cstring>
#include <limits>

namespace sonivert::wmvcore {

std::u16string textOf(const char16_t* text)
{
    return text ? std::u16string(text) : std::u16string();
}

Result BufferImpl::GetBufferAndLength(uint8_t** data, uint32_t* length) noexcept
{
    if (!data || !length)
        return kInvalidArgument;
    *data = m_bytes.data();
    *length = static_cast<uint32_t>(m_length);
    return kOk;
}

Result BufferImpl::GetMaxLength(uint32_t* length) noexcept
{
    if (!length)
        return kInvalidArgument;
    *length = static_cast<uint32_t>(m_bytes.size());
    return kOk;
}

Result BufferImpl::SetLength(uint32_t length) noexcept
{
    if (length > m_bytes.size())
        return kInvalidArgument;
    m_length = length;
    return kOk;
}

bool fetchMediaType(MediaProps& props, std::vector<uint8_t>& block)
{
    uint32_t size = 0;
    if (!succeeded(props.GetMediaType(nullptr, &size)) || size < sizeof(MediaType))
        return false;
    block.assign(size, 0);
    if (!succeeded(props.GetMediaType(block.data(), &size)) || size > block.size())
        return false;
    block.resize(size);
    MediaType header;
    std::span<const uint8_t> format;
    return readMediaType(block.data(), block.size(), header, format);
}

Guid MediaTypeHolder::majorType() const
{
    MediaType header;
    std::span<const uint8_t> format;
    if (!readMediaType(m_block.data(), m_block.size(), header, format))
        return {};
    return header.majorType;
}

Result MediaTypeHolder::getType(Guid* majorType) const
{
    if (!majorType)
        return kInvalidArgument;
    *majorType = this->majorType();
    return kOk;
}

Result MediaTypeHolder::getMediaType(void* block, uint32_t* size) const
{
    if (!size)
        return kInvalidArgument;
    if (m_block.empty())
        return kInvalidRequest;
    if (!block) {
        *size = static_cast<uint32_t>(m_block.size());
        return kOk;
    }
    if (*size < m_block.size()) {
        *size = static_cast<uint32_t>(m_block.size());
        return kBufferTooSmall;
    }
    std::memcpy(block, m_block.data(), m_block.size());
    *size = static_cast<uint32_t>(m_block.size());
    return kOk;
}

Result MediaTypeHolder::setMediaType(const void* block, uint32_t size)
{
    MediaType header;
    std::span<const uint8_t> format;
    if (!readMediaType(block, size, header, format))
        return kInvalidArgument;
    // Only the header and its own format bytes are kept.
    m_block = makeMediaTypeBlock(header, format);
    return kOk;
}

Result MediaPropsImpl::SetMediaType(const void* block, uint32_t size) noexcept
{
    return guarded([&] { return m_type.setMediaType(block, size); });
}

StreamConfigImpl::StreamConfigImpl(StreamSettings settings) : m_settings(std::move(settings))
{
    m_type.setBlock(std::move(m_settings.mediaType));
    m_settings.mediaType.clear();
}

StreamSettings StreamConfigImpl::settings() const
{
    StreamSettings s = m_settings;
    s.mediaType = m_type.block();
    return s;
}

Result StreamConfigImpl::GetType(Guid* majorType) noexcept
{
    if (!majorType)
        return kInvalidArgument;
    *majorType = m_settings.majorType;
    return kOk;
}

Result StreamConfigImpl::SetMediaType(const void* block, uint32_t size) noexcept
{
    return guarded([&] {
        const Result r = m_type.setMediaType(block, size);
        if (succeeded(r))
            m_settings.majorType = m_type.majorType();
        return r;
    });
}

Result StreamConfigImpl::GetStreamNumber(uint16_t* number) noexcept
{
    if (!number)
        return kInvalidArgument;
    *number = m_settings.number;
    return kOk;
}

Result StreamConfigImpl::SetStreamNumber(uint16_t number) noexcept
{
    // ASF stream numbers are 1..127.
    if (number < 1 || number > 127)
        return kInvalidArgument;
    m_settings.number = number;
    return kOk;
}

Result StreamConfigImpl::SetStreamName(const char16_t* name) noexcept
{
    return guarded([&] {
        m_settings.name = textOf(name);
        return kOk;
    });
}

Result StreamConfigImpl::SetConnectionName(const char16_t* name) noexcept
{
    return guarded([&] {
        m_settings.connection = textOf(name);
        return kOk;
    });
}

Result StreamConfigImpl::GetBitrate(uint32_t* bitsPerSecond) noexcept
{
    if (!bitsPerSecond)
        return kInvalidArgument;
    *bitsPerSecond = m_settings.bitRate;
    return kOk;
}

Result StreamConfigImpl::SetBitrate(uint32_t bitsPerSecond) noexcept
{
    m_settings.bitRate = bitsPerSecond;
    return kOk;
}

Result StreamConfigImpl::SetBufferWindow(uint32_t milliseconds) noexcept
{
    m_settings.bufferWindow = milliseconds;
    return kOk;
}

Result ProfileImpl::GetStreamCount(uint32_t* count) noexcept
{
    if (!count)
        return kInvalidArgument;
    *count = static_cast<uint32_t>(m_streams.size());
    return kOk;
}

Result ProfileImpl::GetStream(uint32_t index, StreamConfig** config) noexcept
{
    return guarded([&] {
        if (index >= m_streams.size())
            return kInvalidArgument;
        return handOut(config, std::make_unique<StreamConfigImpl>(m_streams[index]));
    });
}

Result ProfileImpl::CreateNewStream(const Guid& majorType, StreamConfig** config) noexcept
{
    return guarded([&] {
        StreamSettings s;
        s.majorType = majorType;
        return handOut(config, std::make_unique<StreamConfigImpl>(std::move(s)));
    });
}

Result ProfileImpl::AddStream(StreamConfig* config) noexcept
{
    return guarded([&] {
        // Only configurations of this module can be added; their settings
        // are copied.
        auto* own = dynamic_cast<StreamConfigImpl*>(config);
        if (!own)
            return kInvalidArgument;
        StreamSettings s = own->settings();
        if (s.number == 0 || s.mediaType.empty())
            return kInvalidArgument;
        for (const StreamSettings& existing : m_streams) {
            if (existing.number == s.number)
                return kInvalidArgument;
        }
        m_streams.push_back(std::move(s));
        return kOk;
    });
}

const Attribute* AttributeStore::find(uint16_t stream, std::u16string_view name) const
{
    for (const Attribute& a : attributes) {
        if (a.stream == stream && a.name == name)
            return &a;
    }
    return nullptr;
}

std::string AttributeStore::stringValue(const Attribute& attribute)
{
    std::u16string text;
    for (size_t i = 0; i + 1 < attribute.value.size(); i += 2) {
        char16_t unit = 0;
        std::memcpy(&unit, attribute.value.data() + i, sizeof unit);
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return utf16ToUtf8(text);
}

Result HeaderInfoImpl::GetAttributeByName(uint16_t* streamNumber, const char16_t* name, AttributeType* type,
                                          uint8_t* value, uint16_t* length) noexcept
{
    return guarded([&] {
        if (!streamNumber || !name || !type || !length)
            return kInvalidArgument;
        const Attribute* a = m_store->find(*streamNumber, name);
        if (!a)
            return kAttributeNotFound;
        if (a->value.size() > std::numeric_limits<uint16_t>::max())
            return kFail;
        *type = a->type;
        const auto size = static_cast<uint16_t>(a->value.size());
        if (value) {
            if (*length < size) {
                *length = size;
                return kBufferTooSmall;
            }
            if (size > 0)
                std::memcpy(value, a->value.data(), size);
        }
        *length = size;
        return kOk;
    });
}

Result HeaderInfoImpl::AddAttribute(uint16_t streamNumber, const char16_t* name, uint16_t* index, AttributeType type,
                                    uint16_t /*languageIndex*/, const uint8_t* value, uint32_t length) noexcept
{
    return guarded([&] {
        if (!name || (length > 0 && !value))
            return kInvalidArgument;
        if (m_store->frozen)
            return kInvalidRequest;
        Attribute a;
        a.stream = streamNumber;
        a.name = name;
        a.type = type;
        if (length > 0)
            a.value.assign(value, value + length);
        m_store->attributes.push_back(std::move(a));
        if (index)
            *index = static_cast<uint16_t>(m_store->attributes.size() - 1);
        return kOk;
    });
}

} // namespace sonivert::wmvcore
