#include "platform/opusptr.h"

namespace sonivert {

void OpusEncoderDeleter::operator()(OggOpusEnc* encoder) const
{
    ope_encoder_destroy(encoder);
}

void OpusCommentsDeleter::operator()(OggOpusComments* comments) const
{
    ope_comments_destroy(comments);
}

OpusCommentsPtr makeOpusComments()
{
    return OpusCommentsPtr(ope_comments_create());
}

} // namespace sonivert
