// The application's mouse cursor: normal or busy (hourglass), with a scoped guard.
#pragma once

namespace os {

enum class CursorShape { Default, HourGlass };

void SetCursor(CursorShape shape);
CursorShape CurrentCursor();

// Shows the hourglass while it lives and the normal cursor afterwards.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    // Normal cursor now (before a message), busy again with Resume.
    void Pause();
    void Resume();
};

}  // namespace os
