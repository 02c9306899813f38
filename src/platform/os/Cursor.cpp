#include "platform/os/Cursor.h"

namespace os {

BusyCursor::BusyCursor()
{
    SetCursor(CursorShape::HourGlass);
}

BusyCursor::~BusyCursor()
{
    SetCursor(CursorShape::Default);
}

void BusyCursor::Pause()
{
    SetCursor(CursorShape::Default);
}

void BusyCursor::Resume()
{
    SetCursor(CursorShape::HourGlass);
}

}  // namespace os
