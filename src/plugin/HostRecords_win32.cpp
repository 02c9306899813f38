// The host's packed records as the 32-bit host lays them out.
#include <cstddef>

#include "host/NewKennungStruct.h"
#include "host/fxAPI32.h"

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

static_assert(sizeof(CursorPoint) == 16);
