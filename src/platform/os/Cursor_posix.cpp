// Without a window system the cursor is a state the scripted UI backend reports.
#include "platform/os/Cursor.h"

namespace os {

namespace {
CursorShape g_cursor = CursorShape::Default;
}

void SetCursor(CursorShape shape)
{
    g_cursor = shape;
}

CursorShape CurrentCursor()
{
    return g_cursor;
}

}  // namespace os
