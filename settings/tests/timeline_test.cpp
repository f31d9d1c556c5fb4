// The "Last log-on" window as the user meets it: a log-on written to the real store the way the
// launcher writes it, the window opened on it under Wine, its words read back, its picture and
// layout checked at 96 and 144 DPI, and photographed.
#include "accessibility_checks.h"
#include "exe_harness.h"
#include "gdi.h"
#include "logon_timeline.h"
#include "resource.h"
#include "screen.h"

#include "logon_costs.h"
#include "settings_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>

namespace tarnwick::settings {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::wstring>;

// The shades the picture uses outside high contrast for one whole processor and for the load.
constexpr COLORREF kWholeProcessor = RGB(16, 64, 150);
constexpr COLORREF kLoad = RGB(214, 128, 36);

LogOnRecord Sample() {
    LogOnRecord record;
    record.when = 133'500'000'000'000'000ull;
    record.spanMs = 48'000;
    record.waitedForIdle = true;
    record.load = {{0, 90}, {4000, 75}, {8000, 40}, {11'500, 12}};
    record.programs = {
        {L"Cloud Sync", 12'000, {900, 1000, 1800, 40, 0, 300}, {1400, 2'097'152, 1'258'291, 800}},
        {L"Chat", 30'500, {10, 5}, {15, 0, 0, std::nullopt}},
        {L"Mount Drives", 48'000, {}, {450, 204'800, 0, std::nullopt, true}},
    };
    return record;
}

// A program whose name is too long to stand beside its bar, busy for a whole minute.
StartedProgram LongNamedProgram() {
    return {L"A Program Whose Name Is Far Too Long To Stand Beside Its Bar In Full",
            50'000,
            std::vector<uint32_t>(60, 250),
            {15'000, 0, 0, 300}};
}

Lines SplitLines(const std::wstring& text) {
    Lines lines{{}};
    for (const wchar_t c : text) {
        if (c == L'\n')
            lines.emplace_back();
        else if (c != L'\r')
            lines.back() += c;
    }
    return lines;
}

bool Inside(const RECT& inner, const RECT& outer) {
    RECT both{};
    return ::IntersectRect(&both, &inner, &outer) && ::EqualRect(&both, &inner);
}

class TimelineTest : public ::testing::Test {
  protected:
    testing::RealStateGuard world;
    std::filesystem::path host = testing::BuiltProgram(TARNWICK_TIMELINE_HOST);
    std::unique_ptr<testing::Child> child;
    HWND window = nullptr;

    void Open() {
        child = std::make_unique<testing::Child>(host);
        window = testing::WaitForWindow(*child, L"#32770", L"Last log-on", 10s);
        ASSERT_NE(window, nullptr);
    }
    // The same, with what the window asks of Wine's stubs for screen readers on this test's
    // standard error.
    void OpenTraced() {
        child = std::make_unique<testing::TracedChild>(host, L"fixme+oleacc");
        window = testing::WaitForWindow(*child, L"#32770", L"Last log-on", 10s);
        ASSERT_NE(window, nullptr);
    }
    HWND Item(int id) const { return ::GetDlgItem(window, id); }
    // The text of the control in the other process: GetWindowText reads only a caption there.
    std::wstring DetailsText() const {
        const HWND details = Item(IDC_txtDetails);
        DWORD_PTR length = 0;
        ::SendMessageTimeoutW(details, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
        std::wstring text(length + 1, L'\0');
        DWORD_PTR copied = 0;
        ::SendMessageTimeoutW(details, WM_GETTEXT, text.size(),
                              reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                              &copied);
        text.resize(copied);
        return text;
    }
    Lines Details() const { return SplitLines(DetailsText()); }
    // Waits for the picture to be painted and steady, and keeps it beside the test program.
    void Shoot(const wchar_t* name) const {
        RECT r{};
        ::GetWindowRect(window, &r);
        EXPECT_TRUE(testing::WaitForSteadyScreen(r, 5s));
        testing::SaveScreenshot(host.parent_path() / L"screenshots" / name, r);
    }
    void ExpectClosed() {
        const std::optional<DWORD> code = child->Wait(10s);
        ASSERT_TRUE(code.has_value()) << "the window is still open";
        EXPECT_EQ(*code, 0u);
    }
    // Every visible control lies inside the window and clear of every other.
    void ExpectNothingClippedOrOverlapping() const {
        EXPECT_EQ(testing::ControlsOutOfPlace(window), std::vector<std::wstring>{});
    }
};

TEST_F(TimelineTest, TellsEachProgramOfTheStoredLogOnInWordsAndDrawsIt) {
    ASSERT_EQ(WriteLogOn(SystemOs(), Sample()), ERROR_SUCCESS);
    Open();
    const Lines lines = Details();
    ASSERT_EQ(lines.size(), 5u) << DetailsText();
    EXPECT_TRUE(lines[0].starts_with(L"Log-on of ")) << lines[0];
    EXPECT_TRUE(lines[0].ends_with(L": 3 programs in 48.0 s.")) << lines[0];
    EXPECT_EQ(lines[1],
              L"The starts waited for the computer to be idle. Its load over 4 samples: lowest "
              L"12%, highest 90%, 54% on average.");
    EXPECT_EQ(lines[2],
              L"Cloud Sync: started at 12.0 s, 1.4 s of processor time, 3.2 MB read and written, "
              L"first window after 0.8 s, High");
    EXPECT_EQ(lines[3],
              L"Chat: started at 30.5 s, 15 ms of processor time, nothing read or written, no "
              L"window, Low");
    EXPECT_EQ(lines[4],
              L"Mount Drives: started at 48.0 s, 450 ms of processor time, 200 KB read and "
              L"written, no window, Medium (part of what it started could not be measured)");
    // The words are where the keyboard starts, for a screen reader to read them out.
    GUITHREADINFO focus{};
    focus.cbSize = sizeof focus;
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &focus));
    EXPECT_EQ(focus.hwndFocus, Item(IDC_txtDetails));

    // A second of one whole processor (and one of two) has the darkest shade, and the load strip
    // is there.
    Shoot(L"last-logon-96.bmp");
    const Screen screen(window);
    EXPECT_GT(screen.Count(Item(IDC_picTimeline), kWholeProcessor), 0);
    EXPECT_GT(screen.Count(Item(IDC_picTimeline), kLoad), 0);
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_scrTimeline)));
    ExpectNothingClippedOrOverlapping();

    // Esc in the text closes the window, as it closes a dialog.
    ::PostMessageW(focus.hwndFocus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ExpectClosed();
}

TEST_F(TimelineTest, At144DpiEverythingGrowsWithTheTextAndNothingIsClipped) {
    LogOnRecord record = Sample();
    record.waitedForIdle = false;
    record.programs.push_back(LongNamedProgram());
    ASSERT_EQ(WriteLogOn(SystemOs(), record), ERROR_SUCCESS);
    RECT at96{};
    {
        Open();
        ::GetWindowRect(Item(IDCANCEL), &at96);
        testing::Click(Item(IDCANCEL));
        ExpectClosed();
    }
    const testing::DisplayDpi dpi(144);
    Open();
    RECT close{};
    ::GetWindowRect(Item(IDCANCEL), &close);
    EXPECT_NEAR(close.bottom - close.top, (at96.bottom - at96.top) * 3 / 2, 2);
    const Lines lines = Details();
    ASSERT_EQ(lines.size(), 6u) << DetailsText();
    EXPECT_EQ(lines[1], L"The starts did not wait for the computer to be idle.");
    EXPECT_EQ(lines[5],
              L"A Program Whose Name Is Far Too Long To Stand Beside Its Bar In Full: started at "
              L"50.0 s, 15.0 s of processor time, nothing read or written, first window after "
              L"0.3 s, High");
    Shoot(L"last-logon-144.bmp");
    // Without the idle rule there is no load strip.
    EXPECT_EQ(Screen(window).Count(Item(IDC_picTimeline), kLoad), 0);
    ExpectNothingClippedOrOverlapping();
    testing::Click(Item(IDCANCEL));
    ExpectClosed();
}

TEST_F(TimelineTest, ManyProgramsScrollInAWindowThatStaysOnTheScreen) {
    LogOnRecord record = Sample();
    for (int i = 0; i < 60; ++i) {
        record.programs.push_back({L"Program " + std::to_wstring(i),
                                   50'000u + 500u * i,
                                   std::vector<uint32_t>(60, 20u * i),
                                   {}});
    }
    ASSERT_EQ(WriteLogOn(SystemOs(), record), ERROR_SUCCESS);
    Open();
    EXPECT_EQ(Details().size(), 65u);
    RECT r{};
    ::GetWindowRect(window, &r);
    MONITORINFO monitor{sizeof monitor, {}, {}, 0};
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    EXPECT_TRUE(Inside(r, monitor.rcWork));
    const HWND bar = Item(IDC_scrTimeline);
    ASSERT_TRUE(::IsWindowVisible(bar));
    ExpectNothingClippedOrOverlapping();
    ::SendMessageW(window, WM_VSCROLL, SB_BOTTOM, reinterpret_cast<LPARAM>(bar));
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    ::GetScrollInfo(bar, SB_CTL, &info);
    EXPECT_EQ(info.nPos + static_cast<int>(info.nPage), 63);
    Shoot(L"last-logon-scrolled.bmp");
    // Enter presses Close too.
    ::PostMessageW(Item(IDC_txtDetails), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    ExpectClosed();
}

TEST_F(TimelineTest, TheRowsScrollFromTheKeyboardToo) {
    LogOnRecord record = Sample();
    for (int i = 0; i < 60; ++i)
        record.programs.push_back({L"Program " + std::to_wstring(i), 50'000u + 500u * i, {}, {}});
    ASSERT_EQ(WriteLogOn(SystemOs(), record), ERROR_SUCCESS);
    Open();
    const HWND bar = Item(IDC_scrTimeline);
    ASSERT_TRUE(::IsWindowVisible(bar));
    EXPECT_EQ(testing::AccessibleName(bar), L"Rows of the timeline");
    const auto first = [&] {
        SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
        ::GetScrollInfo(bar, SB_CTL, &info);
        return std::pair{info.nPos, static_cast<int>(info.nPage)};
    };
    // Above the words in reading order: Shift+Tab from them.
    ASSERT_TRUE(testing::BringToFront(window));
    EXPECT_EQ(testing::FocusAfterEachPress(window, 1, VK_TAB, VK_SHIFT), std::vector<HWND>{bar});
    const int page = first().second;
    ASSERT_GT(page, 0);
    testing::PressKey(VK_END);
    EXPECT_TRUE(testing::Eventually([&] { return first().first == 63 - page; }, 2s))
        << first().first;
    Shoot(L"last-logon-scrolled-by-keys.bmp");
    testing::PressKey(VK_HOME);
    EXPECT_TRUE(testing::Eventually([&] { return first().first == 0; }, 2s)) << first().first;
    testing::PressKey(VK_DOWN);
    EXPECT_TRUE(testing::Eventually([&] { return first().first == 1; }, 2s)) << first().first;
    testing::PressKey(VK_NEXT);
    EXPECT_TRUE(testing::Eventually([&] { return first().first == 1 + page; }, 2s))
        << first().first;
    testing::PressKey(VK_ESCAPE);
    ExpectClosed();
}

TEST_F(TimelineTest, WithoutAReadableLogOnItSaysNothingWasMeasured) {
    const std::wstring sentence =
        L"Nothing has been measured yet: Tarnwick measures what each program costs the next time "
        L"it starts your programs after you log on.";
    Open();
    EXPECT_EQ(Details(), Lines{sentence});
    Shoot(L"last-logon-none.bmp");
    testing::Click(Item(IDCANCEL));
    ExpectClosed();

    // A log-on whose writing was cut short before its time was written is none either.
    ASSERT_EQ(WriteLogOn(SystemOs(), Sample()), ERROR_SUCCESS);
    ASSERT_EQ(StoreDelete(SystemOs(), kLastLogOnSection, L"when"), ERROR_SUCCESS);
    Open();
    EXPECT_EQ(Details(), Lines{sentence});
    ::SendMessageW(window, WM_CLOSE, 0, 0);
    ExpectClosed();
}

TEST_F(TimelineTest, EveryControlIsNamedAndTheKeyboardGoesThroughThemInReadingOrder) {
    ASSERT_EQ(WriteLogOn(SystemOs(), Sample()), ERROR_SUCCESS);
    OpenTraced();
    const HWND details = Item(IDC_txtDetails);
    const HWND close = Item(IDCANCEL);
    // What a sighted user reads on or beside each control.
    EXPECT_EQ(testing::AccessibleName(Item(IDC_picTimeline)),
              L"Timeline of the last log-on, told in words below");
    EXPECT_EQ(testing::AccessibleName(Item(IDC_lblDetails)), L"In words:");
    EXPECT_EQ(testing::AccessibleName(close), L"Close");
    // The words' box shows what it holds, not its name: Windows names it after the label just
    // before it, and the window annotates it with that label's text too. Wine's stub for the
    // annotation prints the call; the CTest test settings_timeline_annotation looks for it.
    EXPECT_EQ(::GetWindow(details, GW_HWNDPREV), Item(IDC_lblDetails));
    std::printf("the words' box is %p\n", static_cast<void*>(details));
    EXPECT_EQ(testing::AccessKeys(window), L"IC");
    EXPECT_TRUE(testing::KeyboardCuesShown(close)) << "the focus or the access keys are hidden";

    // The words, then Close, and round again; Shift+Tab back.
    ASSERT_TRUE(testing::BringToFront(window));
    EXPECT_EQ(testing::FocusedControl(window), details);
    EXPECT_EQ(testing::FocusAfterEachPress(window, 2), (std::vector<HWND>{close, details}));
    EXPECT_EQ(testing::FocusAfterEachPress(window, 1, VK_TAB, VK_SHIFT), std::vector<HWND>{close});
    // The label's key leads to the words; Alt+C closes.
    EXPECT_EQ(testing::FocusAfterEachPress(window, 1, 'I', VK_MENU), std::vector<HWND>{details});
    testing::PressKey('C', VK_MENU);
    ExpectClosed();
}

TEST_F(TimelineTest, AtEachDpiEveryTextFitsItsControlAndWineTakesTheDpiAsEachProgramStarts) {
    LogOnRecord record = Sample();
    record.programs.push_back(LongNamedProgram());
    ASSERT_EQ(WriteLogOn(SystemOs(), record), ERROR_SUCCESS);
    const auto closeHeight = [](HWND shown) {
        RECT r{};
        ::GetWindowRect(::GetDlgItem(shown, IDCANCEL), &r);
        return r.bottom - r.top;
    };
    Open();
    const std::unique_ptr<testing::Child> first = std::move(child);
    const HWND firstWindow = window;
    const LONG at96 = closeHeight(firstWindow);
    for (const UINT dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        const testing::DisplayDpi display(dpi);
        Open();
        EXPECT_NEAR(closeHeight(window), at96 * static_cast<LONG>(dpi) / 96, 2);
        EXPECT_EQ(testing::TextsThatDoNotFit(window, dpi), std::vector<std::wstring>{});
        ExpectNothingClippedOrOverlapping();
        Shoot((L"last-logon-fit-" + std::to_wstring(dpi) + L".bmp").c_str());
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        ExpectClosed();
    }
    // The program started before the changes kept its DPI: Wine reads it as a program starts.
    EXPECT_EQ(closeHeight(firstWindow), at96);
    ::PostMessageW(firstWindow, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(first->Wait(10s), 0u);
}

TEST_F(TimelineTest, InHighContrastTheWindowDrawsInTheSchemesColoursOnly) {
    ASSERT_EQ(WriteLogOn(SystemOs(), Sample()), ERROR_SUCCESS);
    const testing::HighContrastScheme scheme;
    Open();
    Shoot(L"last-logon-high-contrast.bmp");
    const Screen screen(window);
    const HWND picture = Item(IDC_picTimeline);
    EXPECT_EQ(screen.Count(picture, kWholeProcessor), 0);
    EXPECT_EQ(screen.Count(picture, kLoad), 0);
    // The scheme's window colour behind the bars, its text in the names and the axis.
    EXPECT_GT(screen.Count(picture, testing::HighContrastScheme::kFace), 0);
    EXPECT_GT(screen.Count(picture, testing::HighContrastScheme::kText), 0);
    EXPECT_GT(screen.Count(Item(IDC_lblLegend), testing::HighContrastScheme::kText), 0);
    EXPECT_NE(testing::WindowText(Item(IDC_lblLegend)).find(L"the higher it is filled"),
              std::wstring::npos);
    EXPECT_EQ(testing::TextsThatDoNotFit(window, 96), std::vector<std::wstring>{});
    testing::Click(Item(IDCANCEL));
    ExpectClosed();
}

// How many pixels of each colour the picture has, drawn into a bitmap of its own with a font that
// is not smoothed, so that each pixel is one of the colours it was drawn with.
std::map<COLORREF, int> DrawnColours(const LogOnRecord& record, const TimelineColours& colours) {
    constexpr int kWidth = 600;
    constexpr int kHeight = 200;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const MemoryDc dc(nullptr);
    const UniqueBitmap bitmap(
        ::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const UniqueFont font(::CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                        NONANTIALIASED_QUALITY, 0, L"MS Shell Dlg"));
    const Selected picture(dc.get(), bitmap.get());
    const Selected text(dc.get(), font.get());
    DrawLogOnTimeline(dc.get(), {0, 0, kWidth, kHeight}, record, 0, record.programs.size(), colours,
                      USER_DEFAULT_SCREEN_DPI);
    ::GdiFlush();
    std::map<COLORREF, int> counts;
    const auto* bgr = static_cast<const BYTE*>(bits);
    for (size_t i = 0; i < size_t{kWidth * kHeight}; ++i)
        ++counts[RGB(bgr[i * 4 + 2], bgr[i * 4 + 1], bgr[i * 4])];
    return counts;
}

// Wine 8 cannot switch high contrast on (SPI_SETHIGHCONTRAST fails with error 1439): the picture
// is drawn here with a high-contrast scheme instead.
TEST(TimelinePictureTest, InHighContrastOnlyTheSchemesColoursAreUsedAndBusierIsFilledHigher) {
    const TimelineColours scheme{true,           RGB(0, 0, 0),     RGB(255, 255, 255),
                                 RGB(0, 255, 0), RGB(0, 255, 255), RGB(255, 255, 0)};
    std::map<COLORREF, int> counts = DrawnColours(Sample(), scheme);
    EXPECT_GT(counts[scheme.load], 0);
    for (const COLORREF colour : {scheme.back, scheme.text, scheme.grid, scheme.busy})
        counts.erase(colour);
    counts.erase(scheme.load);
    EXPECT_TRUE(counts.empty()) << std::hex << counts.begin()->first << " is not the scheme's";

    // One program, each second as busy as the one before.
    const auto steady = [&](uint32_t ms) {
        LogOnRecord record;
        record.programs = {{L"Steady", 1000, std::vector<uint32_t>(60, ms), {}}};
        return DrawnColours(record, scheme)[scheme.busy];
    };
    const int quarter = steady(250);
    EXPECT_GT(quarter, 0);
    EXPECT_GT(steady(750), 2 * quarter);
    EXPECT_GT(steady(1000), steady(750));
    // Two processors kept busy fill the bar as one does: it is full.
    EXPECT_EQ(steady(2000), steady(1000));
    EXPECT_EQ(steady(0), 0);

    // A start some seven weeks in, as an odd store may tell: the axis takes longer steps, and its
    // lines stay apart.
    LogOnRecord odd;
    odd.programs = {{L"Odd", UINT32_MAX, {1000}, {}}};
    EXPECT_LT(DrawnColours(odd, scheme)[scheme.grid], 600 * 200 / 20);
}

}  // namespace
}  // namespace tarnwick::settings
