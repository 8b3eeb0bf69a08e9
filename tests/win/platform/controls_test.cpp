// The page container's event routing under Wine, headless (no display: the
// page is a message-only window, and a child's going is what Windows
// reports to its parent with WM_PARENTNOTIFY).
#include "platform/win/controls.h"

#include <gtest/gtest.h>

namespace yq {
namespace {

TEST(PageRouting, AChildsHandlersGoWithTheChild) {
    win::register_control_classes(GetModuleHandleA(nullptr));
    HWND page = win::create_page(HWND_MESSAGE, 0, 0, 100, 100, RGB(255, 255, 255));
    ASSERT_NE(page, nullptr);
    // Any handle stands for the child: routing looks only at the handle.
    HWND child = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    int clicks = 0, notes = 0;
    win::on_command(child, [&](int) { ++clicks; });
    win::on_notify(child, [&](int) { ++notes; });
    NMHDR hdr{child, 7, 1};
    EXPECT_TRUE(win::route_command(MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(child)));
    EXPECT_TRUE(win::route_notify(reinterpret_cast<LPARAM>(&hdr)));
    SendMessageA(page, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, 7), reinterpret_cast<LPARAM>(child));
    EXPECT_FALSE(win::route_command(MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(child)));
    EXPECT_FALSE(win::route_notify(reinterpret_cast<LPARAM>(&hdr)));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(notes, 1);
    DestroyWindow(page);
}

}  // namespace
}  // namespace yq
