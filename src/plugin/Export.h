// Calling convention, export marking and argument widths of the hooks the host calls.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define VE1_CALL __stdcall
#define VE1_EXPORT
#else
#define VE1_CALL
#define VE1_EXPORT __attribute__((visibility("default")))
#endif

// Every hook takes three arguments and returns one value of the platform's word size
// (32 bits on the host's platform). The host reads the low 16 bits of the result, signed.
typedef intptr_t HookArg;
typedef intptr_t HookResult;

#define VE1_HOOK(name) extern "C" VE1_EXPORT HookResult VE1_CALL name

// An argument documented as 16-bit: only its low half is read.
inline int32_t Lo16(HookArg a) { return static_cast<int16_t>(static_cast<uint16_t>(a & 0xFFFF)); }
inline int32_t Arg32(HookArg a) { return static_cast<int32_t>(a); }
