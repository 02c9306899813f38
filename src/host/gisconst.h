// Constants of the host that the plug-in relies on.
#pragma once

#include <cstdint>

// Host command code of an interactive object creation.
constexpr int32_t FX_CMD_BUILDOBJECT = 1058;
// wParam of FX_CMD_BUILDOBJECT when the user cancelled the creation.
constexpr int32_t FX_BO_CANCEL = 7;
// Geometry kind of a single point, for fxCreateObjectStart.
constexpr int32_t fx_SinglePoint = 6;
