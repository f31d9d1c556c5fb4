#include "logon_timeline.h"

#include "accessibility.h"
#include "dialog_access.h"
#include "gdi.h"
#include "logon_costs.h"
#include "resource.h"
#include "settings_model.h"
#include "window.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::settings {
namespace {

constexpr wchar_t kNothingMeasured[] =
    L"Nothing has been measured yet: Tarnwick measures what each program costs the next time it "
    L"starts your programs after you log on.";
constexpr wchar_t kNoPrograms[] = L"Tarnwick started no program at that log-on.";
constexpr wchar_t kLoadName[] = L"Computer's load";
// Processor time in one second that stands for one whole processor kept busy: the darkest shade.
constexpr uint32_t kWholeProcessorMs = 1000;
// The shades outside high contrast: a second with no processor time is the window's own colour.
constexpr COLORREF kBusyColour = RGB(16, 64, 150);
constexpr COLORREF kLoadColour = RGB(214, 128, 36);
// The steps of the time axis, in seconds: the shortest whose labels do not touch is taken.
constexpr uint32_t kAxisSteps[] = {1, 2, 5, 10, 15, 20, 30, 60, 120, 300, 600, 1200, 1800, 3600};
// The window grows with its rows up to this share of the screen's work area; beyond it they scroll.
constexpr int kMostScreenPercent = 85;

// Tenths of a second, as "12.0 s".
std::wstring Seconds(uint64_t ms) {
    const uint64_t tenths = (ms + 50) / 100;
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10) + L" s";
}

std::wstring ProcessorTime(uint64_t ms) {
    return (ms < 1000 ? std::to_wstring(ms) + L" ms" : Seconds(ms)) + L" of processor time";
}

std::wstring DiskBytes(uint64_t bytes) {
    constexpr uint64_t kKilo = 1024;
    constexpr uint64_t kMega = kKilo * kKilo;
    if (bytes == 0) return L"nothing read or written";
    if (bytes < kMega)
        return std::to_wstring((bytes + kKilo / 2) / kKilo) + L" KB read and written";
    const uint64_t tenths = (bytes * 10 + kMega / 2) / kMega;
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10) +
           L" MB read and written";
}

std::wstring When(uint64_t ticks) {
    const std::optional<SYSTEMTIME> local = LocalMoment(ticks);
    if (!local) return {};
    wchar_t date[80]{};
    wchar_t time[80]{};
    ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &*local, nullptr, date, 80, nullptr);
    ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &*local, nullptr, time, 80);
    return std::wstring(date) + L", " + time;
}

std::wstring ProgramLine(const StartedProgram& program) {
    const ProgramCost& cost = program.cost;
    std::wstring line = program.name + L": started at " + Seconds(program.startMs) + L", " +
                        ProcessorTime(cost.cpuMs) + L", " + DiskBytes(cost.DiskBytes()) + L", ";
    line += cost.firstWindowMs ? L"first window after " + Seconds(*cost.firstWindowMs)
                               : std::wstring(L"no window");
    line += L", ";
    line += ImpactWord(ImpactOf(cost.cpuMs, cost.DiskBytes()));
    if (cost.partial) line += L" (part of what it started could not be measured)";
    return line;
}

std::wstring LoadLine(const LogOnRecord& record) {
    if (!record.waitedForIdle) return L"The starts did not wait for the computer to be idle.";
    if (record.load.empty()) {
        return L"The starts waited for the computer to be idle; no load was sampled.";
    }
    uint32_t lowest = 100;
    uint32_t highest = 0;
    uint64_t sum = 0;
    for (const LoadSample& sample : record.load) {
        lowest = std::min(lowest, sample.busyPercent);
        highest = std::max(highest, sample.busyPercent);
        sum += sample.busyPercent;
    }
    const uint64_t mean = (sum + record.load.size() / 2) / record.load.size();
    return L"The starts waited for the computer to be idle. Its load over " +
           std::to_wstring(record.load.size()) + L" samples: lowest " + std::to_wstring(lowest) +
           L"%, highest " + std::to_wstring(highest) + L"%, " + std::to_wstring(mean) +
           L"% on average.";
}

// The log-on in words, one line a fact: when it was, the load, then each program in start order.
std::wstring Description(const std::optional<LogOnRecord>& record) {
    if (!record) return kNothingMeasured;
    const size_t count = record->programs.size();
    const std::wstring when = When(record->when);
    std::wstring text = L"Log-on" + (when.empty() ? L"" : L" of " + when) + L": " +
                        std::to_wstring(count) + (count == 1 ? L" program" : L" programs") +
                        L" in " + Seconds(record->spanMs) + L".\r\n" + LoadLine(*record);
    if (count == 0) text += std::wstring(L"\r\n") + kNoPrograms;
    for (const StartedProgram& program : record->programs) text += L"\r\n" + ProgramLine(program);
    return text;
}

bool ShowsLoad(const LogOnRecord& record) {
    return record.waitedForIdle && !record.load.empty();
}

int Scaled(int pixelsAt96, UINT dpi) {
    return ::MulDiv(pixelsAt96, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// Heights of the picture's parts at a DPI, in pixels.
struct Layout {
    int margin = 0;
    int text = 0;  // the height of a line of the font
    int row = 0;
    int strip = 0;  // the load strip with its gap below; 0 when there is none
    int axis = 0;
};

// For the font selected into `dc`.
Layout Measure(HDC dc, UINT dpi, bool load) {
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    const int text = metrics.tmHeight;
    Layout layout;
    layout.margin = Scaled(6, dpi);
    layout.text = text;
    layout.row = text + Scaled(8, dpi);
    layout.strip = load ? 2 * text + Scaled(10, dpi) + layout.margin : 0;
    layout.axis = Scaled(5, dpi) + text + Scaled(2, dpi);
    return layout;
}

std::wstring Legend(bool highContrast, bool load) {
    std::wstring legend =
        highContrast ? L"Each bar is a program's first minute from its start mark, one part a "
                       L"second: the higher it is filled, the more processor time it took (full: "
                       L"one whole processor busy)."
                     : L"Each bar is a program's first minute from its start mark, one shade a "
                       L"second: the darker, the more processor time it took (darkest: one whole "
                       L"processor busy).";
    if (load) legend += L" Above the rows, the computer's own load while the starts waited for it.";
    return legend;
}

// `part` thousandths of the way from `from` to `to`.
COLORREF Blend(COLORREF from, COLORREF to, uint32_t part) {
    const auto mix = [part](int a, int b) { return a + (b - a) * static_cast<int>(part) / 1000; };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    ::SetDCBrushColor(dc, colour);
    ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void Frame(HDC dc, const RECT& r, COLORREF colour) {
    ::SetDCBrushColor(dc, colour);
    ::FrameRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

SIZE TextSize(HDC dc, std::wstring_view text) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void Text(HDC dc, std::wstring_view text, RECT r, UINT format) {
    ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r,
                format | DT_SINGLELINE | DT_NOPREFIX);
}

RECT WindowRectIn(HWND window, HWND parent) {
    RECT r{};
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Place(HWND control, const RECT& r) {
    ::SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

class LastLogOnWindow final : public ui::Dialog {
  public:
    explicit LastLogOnWindow(std::optional<LogOnRecord> record) : record_(std::move(record)) {}

    void Run(HINSTANCE instance, HWND owner) { RunModal(instance, IDD_LastLogOn, owner); }

  private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnRescaled() override;
    void OnLoad();
    // Sizes the picture for its rows (and the window with it) and shows the scroll bar when they
    // do not all fit.
    void Fit();
    void OnScroll(int code);
    void ShowLegend();

    Layout Measure() const;
    int Px(int pixelsAt96) const { return Scaled(pixelsAt96, ::GetDpiForWindow(hwnd())); }
    bool ShowsLoad() const { return record_ && tarnwick::settings::ShowsLoad(*record_); }
    size_t RowCount() const { return record_ ? record_->programs.size() : 0; }

    void Draw(const DRAWITEMSTRUCT& item) const;

    std::optional<LogOnRecord> record_;
    size_t firstRow_ = 0;
    size_t shownRows_ = 0;
};

INT_PTR LastLogOnWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnLoad();
            return FALSE;  // the focus is on the text
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
                ::EndDialog(hwnd(), 0);
                return TRUE;
            }
            return FALSE;
        case WM_VSCROLL:
            if (reinterpret_cast<HWND>(lParam) == Item(IDC_scrTimeline)) OnScroll(LOWORD(wParam));
            return TRUE;
        case WM_DRAWITEM:
            if (const DRAWITEMSTRUCT* item =
                    ui::OwnDrawItem(hwnd(), IDC_picTimeline, wParam, lParam)) {
                Draw(*item);
                return TRUE;
            }
            return FALSE;
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            // High contrast on or off: the legend says how the picture now tells a busy second,
            // and may take another line.
            ShowLegend();
            Fit();
            return TRUE;
        default:
            return FALSE;
    }
}

void LastLogOnWindow::OnLoad() {
    ::SetDlgItemTextW(hwnd(), IDC_txtDetails, Description(record_).c_str());
    ShowLegend();
    RECT before{};
    ::GetWindowRect(hwnd(), &before);
    Fit();
    // Centred again on where the template centred it, and kept on the work area.
    RECT after{};
    ::GetWindowRect(hwnd(), &after);
    MONITORINFO monitor{sizeof monitor, {}, {}, 0};
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const LONG height = after.bottom - after.top;
    LONG top = before.top - (height - (before.bottom - before.top)) / 2;
    top = std::max(work.top, std::min(top, work.bottom - height));
    ::SetWindowPos(hwnd(), nullptr, after.left, top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const HWND details = Item(IDC_txtDetails);
    // An edit box's own text is what it holds, so it cannot carry its name. Windows' screen-reader
    // support names it after the label before it; the annotation gives it that name itself,
    // which is what a screen reader asks for first.
    std::wstring label = ui::WindowText(Item(IDC_lblDetails));
    std::erase(label, L'&');
    ui::NameForScreenReaders(details, label.c_str());
    ui::ShowKeyboardCues(hwnd());
    ::SetFocus(details);
    ::SendMessageW(details, EM_SETSEL, 0, 0);
}

void LastLogOnWindow::OnRescaled() {
    Fit();
}

void LastLogOnWindow::ShowLegend() {
    ::SetDlgItemTextW(hwnd(), IDC_lblLegend,
                      record_ && !record_->programs.empty()
                          ? Legend(ui::HighContrastOn(), ShowsLoad()).c_str()
                          : L"");
}

Layout LastLogOnWindow::Measure() const {
    const WindowDc dc(Item(IDC_picTimeline));
    const Selected font(dc.get(), ControlFont(hwnd()));
    return tarnwick::settings::Measure(dc.get(), ::GetDpiForWindow(hwnd()), ShowsLoad());
}

void LastLogOnWindow::Fit() {
    const HWND picture = Item(IDC_picTimeline);
    const HWND bar = Item(IDC_scrTimeline);
    const HWND legend = Item(IDC_lblLegend);
    const HWND label = Item(IDC_lblDetails);
    const HWND details = Item(IDC_txtDetails);
    const HWND close = Item(IDCANCEL);
    const Layout layout = Measure();
    const size_t rows = RowCount();
    // The template's margins, gaps and button size in dialog units, at the window's DPI now.
    RECT units{7, 4, 57, 14};
    ::MapDialogRect(hwnd(), &units);
    const int margin = units.left;
    const int gap = units.top;
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    const int width = client.right - 2 * margin;

    // The legend and the words as tall as their text (the words at least three lines, and at
    // most twelve: they scroll beyond).
    RECT inner{};
    ::GetClientRect(picture, &inner);
    const RECT outer = WindowRectIn(picture, hwnd());
    const int edge = (outer.bottom - outer.top) - inner.bottom;
    RECT legendText{0, 0, width, 0};
    const std::wstring legendWords = ui::WindowText(legend);
    int legendHeight = 0;
    if (!legendWords.empty()) {
        const WindowDc dc(legend);
        const Selected font(dc.get(), ControlFont(hwnd()));
        ::DrawTextW(dc.get(), legendWords.c_str(), -1, &legendText,
                    DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        legendHeight = legendText.bottom;
    }
    const int labelHeight = WindowRectIn(label, hwnd()).bottom - WindowRectIn(label, hwnd()).top;
    Place(details, {margin, 0, margin + width, layout.row});
    const int lines =
        std::clamp(static_cast<int>(::SendMessageW(details, EM_GETLINECOUNT, 0, 0)), 3, 12);
    RECT detailsInner{};
    ::GetClientRect(details, &detailsInner);
    const int detailsHeight =
        lines * layout.text + (layout.row - detailsInner.bottom) + layout.text / 2;

    // What the picture leaves of the window's height: it takes what the work area allows, and
    // its rows scroll beyond.
    RECT window{};
    ::GetWindowRect(hwnd(), &window);
    const int frame = (window.bottom - window.top) - client.bottom;
    MONITORINFO monitor{sizeof monitor, {}, {}, 0};
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
    const int most =
        static_cast<int>(monitor.rcWork.bottom - monitor.rcWork.top) * kMostScreenPercent / 100;
    const int others = frame + margin + (legendHeight > 0 ? gap + legendHeight : 0) + gap +
                       labelHeight + gap / 2 + detailsHeight + gap + units.bottom + margin;
    const int fixed = edge + 2 * layout.margin + layout.strip + layout.axis;
    const int fitting = std::max(1, (most - others - fixed) / layout.row);
    shownRows_ = std::min(rows, static_cast<size_t>(fitting));
    const int pictureHeight =
        rows == 0 ? edge + 4 * layout.row : fixed + static_cast<int>(shownRows_) * layout.row;

    // Top to bottom: the picture with its scroll bar, the legend, the words, Close.
    const bool scrolls = shownRows_ < rows;
    const int barWidth =
        scrolls ? ::GetSystemMetricsForDpi(SM_CXVSCROLL, ::GetDpiForWindow(hwnd())) : 0;
    int y = margin;
    Place(picture, {margin, y, margin + width - barWidth, y + pictureHeight});
    Place(bar, {margin + width - barWidth, y, margin + width, y + pictureHeight});
    y += pictureHeight;
    if (legendHeight > 0) y += gap;
    Place(legend, {margin, y, margin + width, y + legendHeight});
    ::ShowWindow(legend, legendHeight > 0 ? SW_SHOWNA : SW_HIDE);
    y += legendHeight + gap;
    Place(label, {margin, y, margin + width, y + labelHeight});
    y += labelHeight + gap / 2;
    Place(details, {margin, y, margin + width, y + detailsHeight});
    y += detailsHeight + gap;
    Place(close, {margin + width - units.right, y, margin + width, y + units.bottom});
    y += units.bottom + margin;
    ::SetWindowPos(hwnd(), nullptr, 0, 0, window.right - window.left, y + frame,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    firstRow_ = std::min(firstRow_, rows - shownRows_);
    SCROLLINFO info{sizeof info,
                    SIF_RANGE | SIF_PAGE | SIF_POS,
                    0,
                    static_cast<int>(rows == 0 ? 0 : rows - 1),
                    static_cast<UINT>(shownRows_),
                    static_cast<int>(firstRow_),
                    0};
    ::SetScrollInfo(bar, SB_CTL, &info, TRUE);
    ::ShowWindow(bar, scrolls ? SW_SHOWNA : SW_HIDE);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void LastLogOnWindow::OnScroll(int code) {
    const HWND bar = Item(IDC_scrTimeline);
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    ::GetScrollInfo(bar, SB_CTL, &info);
    const int last = static_cast<int>(RowCount() - shownRows_);
    const int page = static_cast<int>(shownRows_);
    int first = static_cast<int>(firstRow_);
    switch (code) {
        case SB_LINEUP:
            --first;
            break;
        case SB_LINEDOWN:
            ++first;
            break;
        case SB_PAGEUP:
            first -= page;
            break;
        case SB_PAGEDOWN:
            first += page;
            break;
        case SB_TOP:
            first = 0;
            break;
        case SB_BOTTOM:
            first = last;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            first = info.nTrackPos;
            break;
        default:
            return;
    }
    firstRow_ = static_cast<size_t>(std::clamp(first, 0, std::max(last, 0)));
    ::SetScrollPos(bar, SB_CTL, static_cast<int>(firstRow_), TRUE);
    ::InvalidateRect(Item(IDC_picTimeline), nullptr, FALSE);
}

void LastLogOnWindow::Draw(const DRAWITEMSTRUCT& item) const {
    const RECT& area = item.rcItem;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    // Drawn aside and copied at once, so that scrolling does not flicker.
    const MemoryDc memory(item.hDC);
    const UniqueBitmap bitmap(::CreateCompatibleBitmap(item.hDC, width, height));
    if (!memory.get() || !bitmap) return;
    const Selected picture(memory.get(), bitmap.get());
    const Selected font(memory.get(), ControlFont(hwnd()));
    const TimelineColours colours = CurrentTimelineColours();
    const RECT local{0, 0, width, height};
    if (RowCount() == 0) {
        Fill(memory.get(), local, colours.back);
        ::SetBkMode(memory.get(), TRANSPARENT);
        ::SetTextColor(memory.get(), colours.text);
        // The sentence in the middle of the picture.
        const wchar_t* sentence = record_ ? kNoPrograms : kNothingMeasured;
        RECT inset = local;
        ::InflateRect(&inset, -Px(8), -Px(8));
        RECT needed = inset;
        ::DrawTextW(memory.get(), sentence, -1, &needed,
                    DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        inset.top +=
            std::max<LONG>(0, (inset.bottom - inset.top - (needed.bottom - needed.top)) / 2);
        ::DrawTextW(memory.get(), sentence, -1, &inset, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    } else {
        DrawLogOnTimeline(memory.get(), local, *record_, firstRow_, shownRows_, colours,
                          ::GetDpiForWindow(hwnd()));
    }
    ::BitBlt(item.hDC, area.left, area.top, width, height, memory.get(), 0, 0, SRCCOPY);
}

}  // namespace

TimelineColours CurrentTimelineColours() {
    if (ui::HighContrastOn()) {
        return {true,
                ::GetSysColor(COLOR_WINDOW),
                ::GetSysColor(COLOR_WINDOWTEXT),
                ::GetSysColor(COLOR_GRAYTEXT),
                ::GetSysColor(COLOR_HIGHLIGHT),
                ::GetSysColor(COLOR_HIGHLIGHT)};
    }
    return {false,
            ::GetSysColor(COLOR_WINDOW),
            ::GetSysColor(COLOR_WINDOWTEXT),
            RGB(200, 200, 200),
            kBusyColour,
            kLoadColour};
}

void DrawLogOnTimeline(HDC dc, const RECT& area, const LogOnRecord& record, size_t firstRow,
                       size_t rows, const TimelineColours& colours, UINT dpi) {
    const bool load = ShowsLoad(record);
    const Layout layout = Measure(dc, dpi, load);
    const auto Px = [dpi](int pixelsAt96) { return Scaled(pixelsAt96, dpi); };
    const int line = std::max(1, Px(1));
    Fill(dc, area, colours.back);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, colours.text);
    rows = std::min(rows, record.programs.size() - std::min(firstRow, record.programs.size()));

    // The time the picture covers: every start, every measured second and every load sample.
    uint64_t endMs = std::max<uint64_t>(record.spanMs, 1000);
    for (const StartedProgram& program : record.programs) {
        endMs = std::max<uint64_t>(endMs, program.startMs + program.cpuPerSecond.size() * 1000ull);
    }
    for (const LoadSample& sample : record.load) endMs = std::max<uint64_t>(endMs, sample.atMs);

    // The names take at most a third of the width; a longer one ends in an ellipsis.
    int names = TextSize(dc, load ? kLoadName : L"").cx;
    for (const StartedProgram& program : record.programs)
        names = std::max<int>(names, TextSize(dc, program.name).cx);
    names = std::min<int>(names, (area.right - area.left) / 3);
    // As wide as the widest label can be: the axis ends on a step, at most twice the time.
    const int lastLabel =
        TextSize(dc, std::wstring(std::to_wstring(endMs / 1000).size() + 1, L'0') + L" s").cx;
    const int left = area.left + layout.margin + names + Px(10);
    const int right = area.right - layout.margin - lastLabel / 2;
    const int plot = std::max(1, right - left);

    // Beyond the longest step (a log-on of hours, as an odd store may tell), steps double.
    uint64_t stepMs = 0;
    for (size_t i = 0;; ++i) {
        stepMs = i < std::size(kAxisSteps) ? kAxisSteps[i] * 1000ull : stepMs * 2;
        const uint64_t ticks = (endMs + stepMs - 1) / stepMs;
        if (plot / static_cast<int64_t>(ticks) >= lastLabel + Px(8)) break;
    }
    endMs = (endMs + stepMs - 1) / stepMs * stepMs;
    const auto x = [&](uint64_t ms) {
        return left + static_cast<int>(static_cast<int64_t>(std::min(ms, endMs)) * plot /
                                       static_cast<int64_t>(endMs));
    };

    const int top = area.top + layout.margin;
    const int rowsTop = top + layout.strip;
    const int rowsBottom = rowsTop + static_cast<int>(rows) * layout.row;

    // Grid and axis first, the bars over them.
    for (uint64_t ms = 0; ms <= endMs; ms += stepMs) {
        const int at = x(ms);
        Fill(dc, {at, top, at + line, rowsBottom}, colours.grid);
        Fill(dc, {at, rowsBottom, at + line, rowsBottom + Px(4)}, colours.text);
        const std::wstring label = std::to_wstring(ms / 1000) + L" s";
        Text(dc, label, {at - lastLabel, rowsBottom + Px(5), at + lastLabel, area.bottom},
             DT_CENTER | DT_TOP);
    }
    Fill(dc, {left, rowsBottom, x(endMs) + line, rowsBottom + line}, colours.text);

    if (load) {
        const RECT strip{left, top, x(endMs) + line, rowsTop - layout.margin};
        Text(dc, kLoadName, {area.left + layout.margin, strip.top, left - Px(10), strip.bottom},
             DT_VCENTER | DT_END_ELLIPSIS);
        const int stripHeight = strip.bottom - strip.top - 2 * line;
        std::vector<POINT> outline{{x(record.load.front().atMs), strip.bottom - line}};
        for (const LoadSample& sample : record.load) {
            outline.push_back(
                {x(sample.atMs),
                 strip.bottom - line - static_cast<int>(sample.busyPercent) * stripHeight / 100});
        }
        outline.push_back({x(record.load.back().atMs), strip.bottom - line});
        ::SetDCPenColor(dc, colours.load);
        ::SetDCBrushColor(dc, colours.load);
        const Selected pen(dc, ::GetStockObject(DC_PEN));
        const Selected brush(dc, ::GetStockObject(DC_BRUSH));
        ::Polygon(dc, outline.data(), static_cast<int>(outline.size()));
        Frame(dc, strip, colours.text);
    }

    for (size_t shown = 0; shown < rows; ++shown) {
        const StartedProgram& program = record.programs[firstRow + shown];
        const int rowTop = rowsTop + static_cast<int>(shown) * layout.row;
        const int rowBottom = rowTop + layout.row;
        Text(dc, program.name, {area.left + layout.margin, rowTop, left - Px(10), rowBottom},
             DT_VCENTER | DT_END_ELLIPSIS);
        const int barTop = rowTop + Px(4);
        const int barBottom = rowBottom - Px(4);
        const size_t seconds = program.cpuPerSecond.size();
        for (size_t second = 0; second < seconds; ++second) {
            const uint32_t busy = std::min(program.cpuPerSecond[second], kWholeProcessorMs);
            const uint64_t from = program.startMs + second * 1000ull;
            RECT cell{x(from), barTop, x(from + 1000), barBottom};
            if (colours.highContrast) {
                cell.top = barBottom - static_cast<int>(busy) * (barBottom - barTop) /
                                           static_cast<int>(kWholeProcessorMs);
                Fill(dc, cell, colours.busy);
            } else {
                Fill(dc, cell, Blend(colours.back, colours.busy, busy));
            }
        }
        const int start = x(program.startMs);
        if (seconds > 0) {
            Frame(dc, {start, barTop, x(program.startMs + seconds * 1000ull) + line, barBottom},
                  colours.text);
        }
        // The start mark stands out of the bar above and below.
        Fill(dc, {start - line, rowTop + Px(1), start + 2 * line, rowBottom - Px(1)}, colours.text);
    }
}

void ShowLastLogOn(HINSTANCE instance, HWND owner, Os& os) {
    LastLogOnWindow window(ReadLastLogOn(os));
    window.Run(instance, owner);
}

}  // namespace tarnwick::settings
