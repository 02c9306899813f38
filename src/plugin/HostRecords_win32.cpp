// The host's packed records as the 32-bit host lays them out.
#include <cstddef>

#include "host/NewKennungStruct.h"
#include "host/fxAPI32.h"

#ifndef _WIN64
static_assert(sizeof(void*) == 4, "the host is a 32-bit program");

static_assert(sizeof(ObjectDataRecord) == 16);
static_assert(offsetof(ObjectDataRecord, Kennung) == 4);
static_assert(offsetof(ObjectDataRecord, ID) == 12);

static_assert(sizeof(ClassDataRecord) == 13);
static_assert(offsetof(ClassDataRecord, Name) == 4);
static_assert(offsetof(ClassDataRecord, Description) == 8);
static_assert(offsetof(ClassDataRecord, Flag) == 12);

static_assert(sizeof(NewKennungStruct) == 7);
static_assert(offsetof(NewKennungStruct, KennungBufferSize) == 4);
static_assert(offsetof(NewKennungStruct, UseHostKennung) == 6);
#else
// The 64-bit test build of the same code (the product is 32-bit): the same packed records
// with 8-byte pointers.
static_assert(sizeof(void*) == 8);

static_assert(sizeof(ObjectDataRecord) == 20);
static_assert(offsetof(ObjectDataRecord, Kennung) == 4);
static_assert(offsetof(ObjectDataRecord, ID) == 16);

static_assert(sizeof(ClassDataRecord) == 21);
static_assert(offsetof(ClassDataRecord, Name) == 4);
static_assert(offsetof(ClassDataRecord, Description) == 12);
static_assert(offsetof(ClassDataRecord, Flag) == 20);

static_assert(sizeof(NewKennungStruct) == 11);
static_assert(offsetof(NewKennungStruct, KennungBufferSize) == 8);
static_assert(offsetof(NewKennungStruct, UseHostKennung) == 10);
#endif

static_assert(sizeof(CursorPoint) == 16);
