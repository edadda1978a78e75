#pragma once

// Owners of libFLAC's stream encoder and metadata objects. The encoder's
// type is an unnamed struct in the library's header, so the header is
// included here rather than declared.

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <memory>

namespace sonivert {

struct FlacEncoderDeleter {
    void operator()(FLAC__StreamEncoder* encoder) const;
};
using FlacEncoderPtr = std::unique_ptr<FLAC__StreamEncoder, FlacEncoderDeleter>;

// A new encoder, or null when the library cannot make one.
FlacEncoderPtr makeFlacEncoder();

struct FlacMetadataDeleter {
    void operator()(FLAC__StreamMetadata* block) const;
};
using FlacMetadataPtr = std::unique_ptr<FLAC__StreamMetadata, FlacMetadataDeleter>;

// A new metadata block of the type, or null.
FlacMetadataPtr makeFlacMetadata(FLAC__MetadataType type);

struct FlacChainDeleter {
    void operator()(FLAC__Metadata_Chain* chain) const;
};
using FlacChainPtr = std::unique_ptr<FLAC__Metadata_Chain, FlacChainDeleter>;

struct FlacIteratorDeleter {
    void operator()(FLAC__Metadata_Iterator* iterator) const;
};
using FlacIteratorPtr = std::unique_ptr<FLAC__Metadata_Iterator, FlacIteratorDeleter>;

// A metadata chain, or an iterator over one; null when the library cannot
// make one.
FlacChainPtr makeFlacChain();
FlacIteratorPtr makeFlacIterator();

} // namespace sonivert
