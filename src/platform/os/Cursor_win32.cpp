// The application's mouse cursor on Win32: the system's arrow or hourglass.
#include "platform/os/Cursor.h"

#include <windows.h>

namespace os {

namespace {
CursorShape g_cursor = CursorShape::Default;
}

void SetCursor(CursorShape shape)
{
    g_cursor = shape;
    // Shared system cursors are not destroyed.
    ::SetCursor(LoadCursorA(nullptr, shape == CursorShape::HourGlass ? IDC_WAIT : IDC_ARROW));
}

CursorShape CurrentCursor()
{
    return g_cursor;
}

}  // namespace os
