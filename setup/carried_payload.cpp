#include "carried_payload.h"

#include "payload_constants.h"

const PayloadExpectation kCarriedPayload = {kPayloadResourceSize, kPayloadDecodedLength, kPayloadChecksum};
