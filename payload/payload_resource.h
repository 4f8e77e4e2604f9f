/* The payload resource's identifier (type RT_RCDATA). The loader, the
   packing tool's inspection and the resource script all read it here, so
   this header holds only what a resource compiler understands. */
#pragma once

#define IDR_PAYLOAD 102
