// The please-wait window: shown over a disabled parent, mouse captured, centred, its
// hourglass playing from the program's own resources, and everything undone by
// DestroyWindow.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "framework/App.h"
#include "framework/Dialog.h"
#include "ui/PleaseWaitDlg.h"
#include "ui/resource.h"

using namespace cc;

namespace {

// A plain top-level window to own the please-wait window.
class ParentWindow {
public:
    ParentWindow(int x = 100, int y = 80, int width = 500, int height = 400)
    {
        m_hWnd = ::CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height,
                                   nullptr, nullptr, nullptr, nullptr);
    }
    ~ParentWindow() { ::DestroyWindow(m_hWnd); }
    HWND m_hWnd;
};

POINT Centre(HWND window)
{
    RECT rect;
    ::GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::string Caption(HWND window)
{
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST(PleaseWait, ShowsMessageAndTitleOverDisabledParentWithCapture)
{
    ParentWindow parent;
    auto window =
        std::make_unique<CPleaseWaitDlg>(parent.m_hWnd, "Searching for Controller. Please wait.", "Please Wait");
    const HWND hWnd = window->m_hWnd;

    ASSERT_NE(hWnd, nullptr);
    EXPECT_TRUE(::IsWindowVisible(hWnd));
    EXPECT_EQ(Caption(hWnd), "Please Wait");
    EXPECT_EQ(Caption(::GetDlgItem(hWnd, IDC_WAIT_MESSAGE)), "Searching for Controller. Please wait.");
    EXPECT_FALSE(::IsWindowEnabled(parent.m_hWnd));
    EXPECT_EQ(::GetCapture(), hWnd);

    window->DestroyWindow();
    window.reset();
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_TRUE(::IsWindowEnabled(parent.m_hWnd));
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST(PleaseWait, IsPaintedBeforeTheUiThreadBlocks)
{
    ParentWindow parent;
    CPleaseWaitDlg window(parent.m_hWnd, "Searching for Controller. Please wait.", "Please Wait");
    // Nothing may be left for a WM_PAINT that a blocked thread would never handle.
    EXPECT_FALSE(::GetUpdateRect(window.m_hWnd, nullptr, FALSE));
    EXPECT_FALSE(::GetUpdateRect(::GetDlgItem(window.m_hWnd, IDC_WAIT_MESSAGE), nullptr, FALSE));
    window.DestroyWindow();
}

TEST(PleaseWait, EmptyTitleGivesEmptyCaptionNotTemplateText)
{
    ParentWindow parent;
    CPleaseWaitDlg window(parent.m_hWnd, "message", "");
    EXPECT_EQ(Caption(window.m_hWnd), "");
    window.DestroyWindow();
}

TEST(PleaseWait, SetMessageReplacesTheLine)
{
    ParentWindow parent;
    CPleaseWaitDlg window(parent.m_hWnd, "first", "t");
    window.SetMessage("second");
    EXPECT_EQ(Caption(::GetDlgItem(window.m_hWnd, IDC_WAIT_MESSAGE)), "second");
    window.DestroyWindow();
}

TEST(PleaseWait, CentredOverItsParent)
{
    ParentWindow parent(40, 30, 700, 500);
    CPleaseWaitDlg window(parent.m_hWnd, "m", "t");
    const POINT parentCentre = Centre(parent.m_hWnd);
    const POINT windowCentre = Centre(window.m_hWnd);
    EXPECT_NEAR(windowCentre.x, parentCentre.x, 1);
    EXPECT_NEAR(windowCentre.y, parentCentre.y, 1);
    window.DestroyWindow();
}

TEST(PleaseWait, WithoutParentCentredOverMainWindowOrScreen)
{
    ParentWindow main(10, 10, 400, 300);
    fw::CWinApp app;
    fw::CWnd mainWindow(main.m_hWnd);
    app.m_pMainWnd = &mainWindow;
    {
        CPleaseWaitDlg window(nullptr, "m", "t");
        EXPECT_NEAR(Centre(window.m_hWnd).x, Centre(main.m_hWnd).x, 1);
        EXPECT_NEAR(Centre(window.m_hWnd).y, Centre(main.m_hWnd).y, 1);
        window.DestroyWindow();
    }

    ::ShowWindow(main.m_hWnd, SW_HIDE);
    CPleaseWaitDlg window(nullptr, "m", "t");
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(Centre(window.m_hWnd).x, (work.left + work.right) / 2, 1);
    EXPECT_NEAR(Centre(window.m_hWnd).y, (work.top + work.bottom) / 2, 1);
    window.DestroyWindow();
}

TEST(PleaseWait, ClipOpensFromTheProgramsResources)
{
    ParentWindow parent;
    CPleaseWaitDlg window(parent.m_hWnd, "m", "t");
    HWND animation = ::GetDlgItem(window.m_hWnd, IDC_ANIMATION);
    ASSERT_NE(animation, nullptr);
    EXPECT_TRUE(::IsWindowVisible(animation));
    // Opening again must succeed from the same module and resource; a missing one fails.
    EXPECT_TRUE(::SendMessageA(animation, ACM_OPENA, 0, IDR_HOURGLASS_AVI));
    EXPECT_FALSE(::SendMessageA(animation, ACM_OPENA, 0, 9999));
    EXPECT_TRUE(::SendMessageA(animation, ACM_OPENA, 0, IDR_HOURGLASS_AVI));
    EXPECT_TRUE(::SendMessageA(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF)));
    window.DestroyWindow();
}

// Copies the control's pixels as the screen shows them, from any thread.
std::vector<std::uint32_t> Snapshot(HWND control)
{
    RECT rect;
    ::GetClientRect(control, &rect);
    const int width = rect.right, height = rect.bottom;
    HDC screen = ::GetDC(control);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    std::vector<std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits),
                                      static_cast<const std::uint32_t*>(bits) + width * height);
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(control, screen);
    return pixels;
}

TEST(PleaseWait, HourglassMovesWhileTheUiThreadIsBlocked)
{
    ParentWindow parent;
    CPleaseWaitDlg window(parent.m_hWnd, "m", "t");
    HWND animation = ::GetDlgItem(window.m_hWnd, IDC_ANIMATION);

    // The UI thread blocks on the event; the observer sets it once it has seen the picture
    // change, or after three seconds.
    HANDLE done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> distinctPictures{0};
    std::thread observer([&] {
        std::vector<std::uint32_t> last = Snapshot(animation);
        distinctPictures = 1;
        for (int attempt = 0; attempt < 60 && distinctPictures < 3; ++attempt) {
            ::WaitForSingleObject(done, 50);
            std::vector<std::uint32_t> now = Snapshot(animation);
            if (now != last) {
                ++distinctPictures;
                last = std::move(now);
            }
        }
        ::SetEvent(done);
    });
    ::WaitForSingleObject(done, INFINITE);
    observer.join();
    ::CloseHandle(done);

    EXPECT_GE(distinctPictures.load(), 3) << "the clip did not advance while the UI thread was blocked";
    window.DestroyWindow();
}

}  // namespace
