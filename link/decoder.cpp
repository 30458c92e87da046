#include "decoder.h"

#include "runtime_error.h"

void decodePacket(const QString&, DecoderState&, const DecoderInputs&, const DecoderHooks&)
{
    throw RuntimeError(QStringLiteral("decoder not built yet"));
}
