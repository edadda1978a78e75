#include "platform/flacptr.h"

namespace sonivert {

void FlacEncoderDeleter::operator()(FLAC__StreamEncoder* encoder) const
{
    // Deleting an encoder that is still open finishes it first.
    FLAC__stream_encoder_delete(encoder);
}

FlacEncoderPtr makeFlacEncoder()
{
    return FlacEncoderPtr(FLAC__stream_encoder_new());
}

void FlacMetadataDeleter::operator()(FLAC__StreamMetadata* block) const
{
    FLAC__metadata_object_delete(block);
}

FlacMetadataPtr makeFlacMetadata(FLAC__MetadataType type)
{
    return FlacMetadataPtr(FLAC__metadata_object_new(type));
}

void FlacChainDeleter::operator()(FLAC__Metadata_Chain* chain) const
{
    FLAC__metadata_chain_delete(chain);
}

void FlacIteratorDeleter::operator()(FLAC__Metadata_Iterator* iterator) const
{
    FLAC__metadata_iterator_delete(iterator);
}

FlacChainPtr makeFlacChain()
{
    return FlacChainPtr(FLAC__metadata_chain_new());
}

FlacIteratorPtr makeFlacIterator()
{
    return FlacIteratorPtr(FLAC__metadata_iterator_new());
}

} // namespace sonivert
