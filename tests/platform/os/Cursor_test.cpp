#include "platform/os/Cursor.h"

#include <gtest/gtest.h>

namespace {

TEST(BusyCursor, HourGlassWhileAliveDefaultAfterwards)
{
    os::SetCursor(os::CursorShape::Default);
    {
        os::BusyCursor busy;
        EXPECT_EQ(os::CurrentCursor(), os::CursorShape::HourGlass);
    }
    EXPECT_EQ(os::CurrentCursor(), os::CursorShape::Default);
}

TEST(BusyCursor, PauseShowsTheNormalCursorUntilResume)
{
    os::BusyCursor busy;
    busy.Pause();
    EXPECT_EQ(os::CurrentCursor(), os::CursorShape::Default);
    busy.Resume();
    EXPECT_EQ(os::CurrentCursor(), os::CursorShape::HourGlass);
}

TEST(BusyCursor, EndsWithTheDefaultCursorAlsoOnAnException)
{
    try {
        os::BusyCursor busy;
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(os::CurrentCursor(), os::CursorShape::Default);
}

}  // namespace
