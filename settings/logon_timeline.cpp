// The "Last log-on" window: the picture of the last log-on above its legend and the same in
// words, fitted to the rows (and the window with them, up to a share of the work area, beyond
// which the rows scroll), and the modal run that shows it.
#include "logon_timeline.h"

#include "accessibility.h"
#include "dialog_access.h"
#include "gdi.h"
#include "logon_timeline_parts.h"
#include "resource.h"
#include "window.h"

#include <algorithm>
#include <optional>
#include <string>

namespace tarnwick::settings {
namespace {

// The window grows with its rows up to this share of the screen's work area; beyond it they scroll.
constexpr int kMostScreenPercent = 85;

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

// The sizes of the window's parts at its DPI now, in pixels, the picture's height aside.
struct LastLogOnSizes {
    RECT units{};  // the template's margin, gap and button size, from dialog units
    int margin = 0;
    int gap = 0;
    int width = 0;   // of the parts, between the margins
    int edge = 0;    // the picture's border, top and bottom together
    int legend = 0;  // 0 without a legend
    int label = 0;
    int details = 0;
    int frame = 0;  // the window's caption and borders, top and bottom together
    int windowWidth = 0;
};

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
    LastLogOnSizes MeasureParts(const TimelineLayout& layout) const;
    // The legend as tall as its text at `width`.
    int LegendHeight(int width) const;
    // The words as tall as their lines at `width`: at least three, and at most twelve (they
    // scroll beyond).
    int DetailsHeight(const TimelineLayout& layout, int margin, int width) const;
    // As many rows as the work area leaves room for, at least one; the picture's height for them.
    int FitRows(const TimelineLayout& layout, const LastLogOnSizes& sizes, size_t rows);
    void PlaceParts(const LastLogOnSizes& sizes, int pictureHeight, bool scrolls);
    void ShowScrollRange(size_t rows, bool scrolls);
    void OnScroll(int code);
    void ShowLegend();

    TimelineLayout Measure() const;
    bool ShowsLoad() const { return record_ && TimelineShowsLoad(*record_); }
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
    ::SetDlgItemTextW(hwnd(), IDC_txtDetails, LogOnDescription(record_).c_str());
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
                          ? TimelineLegend(ui::HighContrastOn(), ShowsLoad()).c_str()
                          : L"");
}

TimelineLayout LastLogOnWindow::Measure() const {
    const WindowDc dc(Item(IDC_picTimeline));
    const Selected font(dc.get(), ControlFont(hwnd()));
    return MeasureTimeline(dc.get(), ::GetDpiForWindow(hwnd()), ShowsLoad());
}

void LastLogOnWindow::Fit() {
    const TimelineLayout layout = Measure();
    const size_t rows = RowCount();
    const LastLogOnSizes sizes = MeasureParts(layout);
    const int pictureHeight = FitRows(layout, sizes, rows);
    const bool scrolls = shownRows_ < rows;
    PlaceParts(sizes, pictureHeight, scrolls);
    ShowScrollRange(rows, scrolls);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

LastLogOnSizes LastLogOnWindow::MeasureParts(const TimelineLayout& layout) const {
    LastLogOnSizes sizes;
    // The template's margins, gaps and button size in dialog units, at the window's DPI now.
    sizes.units = {7, 4, 57, 14};
    ::MapDialogRect(hwnd(), &sizes.units);
    sizes.margin = sizes.units.left;
    sizes.gap = sizes.units.top;
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    sizes.width = client.right - 2 * sizes.margin;
    const HWND picture = Item(IDC_picTimeline);
    RECT inner{};
    ::GetClientRect(picture, &inner);
    const RECT outer = WindowRectIn(picture, hwnd());
    sizes.edge = (outer.bottom - outer.top) - inner.bottom;
    sizes.legend = LegendHeight(sizes.width);
    const RECT label = WindowRectIn(Item(IDC_lblDetails), hwnd());
    sizes.label = label.bottom - label.top;
    sizes.details = DetailsHeight(layout, sizes.margin, sizes.width);
    RECT window{};
    ::GetWindowRect(hwnd(), &window);
    sizes.frame = (window.bottom - window.top) - client.bottom;
    sizes.windowWidth = window.right - window.left;
    return sizes;
}

int LastLogOnWindow::LegendHeight(int width) const {
    const HWND legend = Item(IDC_lblLegend);
    RECT legendText{0, 0, width, 0};
    const std::wstring legendWords = ui::WindowText(legend);
    if (legendWords.empty()) return 0;
    const WindowDc dc(legend);
    const Selected font(dc.get(), ControlFont(hwnd()));
    ::DrawTextW(dc.get(), legendWords.c_str(), -1, &legendText,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return legendText.bottom;
}

int LastLogOnWindow::DetailsHeight(const TimelineLayout& layout, int margin, int width) const {
    const HWND details = Item(IDC_txtDetails);
    // Its lines are counted at the width it will have.
    Place(details, {margin, 0, margin + width, layout.row});
    const int lines =
        std::clamp(static_cast<int>(::SendMessageW(details, EM_GETLINECOUNT, 0, 0)), 3, 12);
    RECT detailsInner{};
    ::GetClientRect(details, &detailsInner);
    return lines * layout.text + (layout.row - detailsInner.bottom) + layout.text / 2;
}

int LastLogOnWindow::FitRows(const TimelineLayout& layout, const LastLogOnSizes& sizes,
                             size_t rows) {
    // What the picture leaves of the window's height: it takes what the work area allows, and
    // its rows scroll beyond.
    MONITORINFO monitor{sizeof monitor, {}, {}, 0};
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
    const int most =
        static_cast<int>(monitor.rcWork.bottom - monitor.rcWork.top) * kMostScreenPercent / 100;
    const int others =
        sizes.frame + sizes.margin + (sizes.legend > 0 ? sizes.gap + sizes.legend : 0) + sizes.gap +
        sizes.label + sizes.gap / 2 + sizes.details + sizes.gap + sizes.units.bottom + sizes.margin;
    const int fixed = sizes.edge + 2 * layout.margin + layout.strip + layout.axis;
    const int fitting = std::max(1, (most - others - fixed) / layout.row);
    shownRows_ = std::min(rows, static_cast<size_t>(fitting));
    return rows == 0 ? sizes.edge + 4 * layout.row
                     : fixed + static_cast<int>(shownRows_) * layout.row;
}

// Top to bottom: the picture with its scroll bar, the legend, the words, Close; the window as
// tall as they take.
void LastLogOnWindow::PlaceParts(const LastLogOnSizes& sizes, int pictureHeight, bool scrolls) {
    const HWND legend = Item(IDC_lblLegend);
    const int margin = sizes.margin;
    const int width = sizes.width;
    const int gap = sizes.gap;
    const int barWidth =
        scrolls ? ::GetSystemMetricsForDpi(SM_CXVSCROLL, ::GetDpiForWindow(hwnd())) : 0;
    int y = margin;
    Place(Item(IDC_picTimeline), {margin, y, margin + width - barWidth, y + pictureHeight});
    Place(Item(IDC_scrTimeline), {margin + width - barWidth, y, margin + width, y + pictureHeight});
    y += pictureHeight;
    if (sizes.legend > 0) y += gap;
    Place(legend, {margin, y, margin + width, y + sizes.legend});
    ::ShowWindow(legend, sizes.legend > 0 ? SW_SHOWNA : SW_HIDE);
    y += sizes.legend + gap;
    Place(Item(IDC_lblDetails), {margin, y, margin + width, y + sizes.label});
    y += sizes.label + gap / 2;
    Place(Item(IDC_txtDetails), {margin, y, margin + width, y + sizes.details});
    y += sizes.details + gap;
    Place(Item(IDCANCEL),
          {margin + width - sizes.units.right, y, margin + width, y + sizes.units.bottom});
    y += sizes.units.bottom + margin;
    ::SetWindowPos(hwnd(), nullptr, 0, 0, sizes.windowWidth, y + sizes.frame,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LastLogOnWindow::ShowScrollRange(size_t rows, bool scrolls) {
    const HWND bar = Item(IDC_scrTimeline);
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
    const UINT dpi = ::GetDpiForWindow(hwnd());
    if (RowCount() == 0) {
        DrawTimelineSentence(memory.get(), local,
                             record_ ? kTimelineNoPrograms : kTimelineNothingMeasured, colours,
                             dpi);
    } else {
        DrawLogOnTimeline(memory.get(), local, *record_, firstRow_, shownRows_, colours, dpi);
    }
    ::BitBlt(item.hDC, area.left, area.top, width, height, memory.get(), 0, 0, SRCCOPY);
}

}  // namespace

void ShowLastLogOn(HINSTANCE instance, HWND owner, Os& os) {
    LastLogOnWindow window(ReadLastLogOn(os));
    window.Run(instance, owner);
}

}  // namespace tarnwick::settings
