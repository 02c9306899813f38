// The record the host passes to BeforeCreateObject: the identifier buffer of a new object.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
struct NewKennungStruct {
    char* KennungBuffer;         // the host's proposal in, the plug-in's choice out
    uint16_t KennungBufferSize;  // characters the buffer takes, without the terminator
    uint8_t UseHostKennung;      // 1: the host keeps its own identifier
};
#pragma pack(pop)
