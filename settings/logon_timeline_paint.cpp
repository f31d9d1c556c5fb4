// The "Last log-on" window's picture: its colours, the heights of its parts at a DPI, the time
// axis and its grid, the computer's load above the rows, and a row a program with its first
// minute shaded by how busy it kept the processor.
#include "logon_timeline_parts.h"

#include "accessibility.h"
#include "gdi.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tarnwick::settings {
namespace {

constexpr wchar_t kLoadName[] = L"Computer's load";
// Processor time in one second that stands for one whole processor kept busy: the darkest shade.
constexpr uint32_t kWholeProcessorMs = 1000;
// The shades outside high contrast: a second with no processor time is the window's own colour.
constexpr COLORREF kBusyColour = RGB(16, 64, 150);
constexpr COLORREF kLoadColour = RGB(214, 128, 36);
// The steps of the time axis, in seconds: the shortest whose labels do not touch is taken.
constexpr uint32_t kAxisSteps[] = {1, 2, 5, 10, 15, 20, 30, 60, 120, 300, 600, 1200, 1800, 3600};

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

// Where the moments of the log-on lie across the picture.
struct TimeAxis {
    int left = 0;        // the log-on's start
    int plot = 1;        // pixels from there to the axis' end
    int lastLabel = 0;   // as wide as the widest label can be
    uint64_t endMs = 1;  // the axis' end, on a step
    uint64_t stepMs = 1;

    int X(uint64_t ms) const {
        return left + static_cast<int>(static_cast<int64_t>(std::min(ms, endMs)) * plot /
                                       static_cast<int64_t>(endMs));
    }
};

// The time the picture covers: every start, every measured second and every load sample.
uint64_t CoveredMs(const LogOnRecord& record) {
    uint64_t endMs = std::max<uint64_t>(record.spanMs, 1000);
    for (const StartedProgram& program : record.programs) {
        endMs = std::max<uint64_t>(endMs, program.startMs + program.cpuPerSecond.size() * 1000ull);
    }
    for (const LoadSample& sample : record.load) endMs = std::max<uint64_t>(endMs, sample.atMs);
    return endMs;
}

// The axis right of the names, over `area` of `dc` with its font.
TimeAxis ChooseAxis(HDC dc, const RECT& area, const LogOnRecord& record,
                    const TimelineLayout& layout, bool load, UINT dpi) {
    TimeAxis axis;
    uint64_t endMs = CoveredMs(record);
    // The names take at most a third of the width; a longer one ends in an ellipsis.
    int names = TextSize(dc, load ? kLoadName : L"").cx;
    for (const StartedProgram& program : record.programs)
        names = std::max<int>(names, TextSize(dc, program.name).cx);
    names = std::min<int>(names, (area.right - area.left) / 3);
    // As wide as the widest label can be: the axis ends on a step, at most twice the time.
    axis.lastLabel =
        TextSize(dc, std::wstring(std::to_wstring(endMs / 1000).size() + 1, L'0') + L" s").cx;
    axis.left = area.left + layout.margin + names + TimelineScaled(10, dpi);
    const int right = area.right - layout.margin - axis.lastLabel / 2;
    axis.plot = std::max(1, right - axis.left);

    // Beyond the longest step (a log-on of hours, as an odd store may tell), steps double.
    uint64_t stepMs = 0;
    for (size_t i = 0;; ++i) {
        stepMs = i < std::size(kAxisSteps) ? kAxisSteps[i] * 1000ull : stepMs * 2;
        const uint64_t ticks = (endMs + stepMs - 1) / stepMs;
        if (axis.plot / static_cast<int64_t>(ticks) >= axis.lastLabel + TimelineScaled(8, dpi))
            break;
    }
    axis.stepMs = stepMs;
    axis.endMs = (endMs + stepMs - 1) / stepMs * stepMs;
    return axis;
}

// One drawing of the timeline: where and with what each of its parts is drawn.
struct TimelineCanvas {
    HDC dc;
    RECT area;
    TimelineLayout layout;
    TimeAxis axis;
    const TimelineColours& colours;
    UINT dpi;
    int line;  // the width of a line: a pixel at 96 DPI
    int top;   // the load strip's, or the rows' when there is none
    int rowsTop;

    int Px(int pixelsAt96) const { return TimelineScaled(pixelsAt96, dpi); }
};

// Grid and axis: a line and a label at every step, the axis under the rows.
void DrawAxis(const TimelineCanvas& c, int rowsBottom) {
    const TimeAxis& axis = c.axis;
    for (uint64_t ms = 0; ms <= axis.endMs; ms += axis.stepMs) {
        const int at = axis.X(ms);
        Fill(c.dc, {at, c.top, at + c.line, rowsBottom}, c.colours.grid);
        Fill(c.dc, {at, rowsBottom, at + c.line, rowsBottom + c.Px(4)}, c.colours.text);
        const std::wstring label = std::to_wstring(ms / 1000) + L" s";
        Text(c.dc, label,
             {at - axis.lastLabel, rowsBottom + c.Px(5), at + axis.lastLabel, c.area.bottom},
             DT_CENTER | DT_TOP);
    }
    Fill(c.dc, {axis.left, rowsBottom, axis.X(axis.endMs) + c.line, rowsBottom + c.line},
         c.colours.text);
}

// The computer's load while the starts waited for it: the samples' outline, filled, in the strip.
void DrawLoadStrip(const TimelineCanvas& c, const std::vector<LoadSample>& load) {
    const TimeAxis& axis = c.axis;
    const int line = c.line;
    const RECT strip{axis.left, c.top, axis.X(axis.endMs) + line, c.rowsTop - c.layout.margin};
    Text(c.dc, kLoadName,
         {c.area.left + c.layout.margin, strip.top, axis.left - c.Px(10), strip.bottom},
         DT_VCENTER | DT_END_ELLIPSIS);
    const int stripHeight = strip.bottom - strip.top - 2 * line;
    std::vector<POINT> outline{{axis.X(load.front().atMs), strip.bottom - line}};
    for (const LoadSample& sample : load) {
        outline.push_back(
            {axis.X(sample.atMs),
             strip.bottom - line - static_cast<int>(sample.busyPercent) * stripHeight / 100});
    }
    outline.push_back({axis.X(load.back().atMs), strip.bottom - line});
    ::SetDCPenColor(c.dc, c.colours.load);
    ::SetDCBrushColor(c.dc, c.colours.load);
    const Selected pen(c.dc, ::GetStockObject(DC_PEN));
    const Selected brush(c.dc, ::GetStockObject(DC_BRUSH));
    ::Polygon(c.dc, outline.data(), static_cast<int>(outline.size()));
    Frame(c.dc, strip, c.colours.text);
}

// A program's row from `rowTop`: its name, its bar of a cell a measured second, its start mark.
void DrawProgramRow(const TimelineCanvas& c, const StartedProgram& program, int rowTop) {
    const TimeAxis& axis = c.axis;
    const int line = c.line;
    const int rowBottom = rowTop + c.layout.row;
    Text(c.dc, program.name,
         {c.area.left + c.layout.margin, rowTop, axis.left - c.Px(10), rowBottom},
         DT_VCENTER | DT_END_ELLIPSIS);
    const int barTop = rowTop + c.Px(4);
    const int barBottom = rowBottom - c.Px(4);
    const size_t seconds = program.cpuPerSecond.size();
    for (size_t second = 0; second < seconds; ++second) {
        const uint32_t busy = std::min(program.cpuPerSecond[second], kWholeProcessorMs);
        const uint64_t from = program.startMs + second * 1000ull;
        RECT cell{axis.X(from), barTop, axis.X(from + 1000), barBottom};
        if (c.colours.highContrast) {
            cell.top = barBottom - static_cast<int>(busy) * (barBottom - barTop) /
                                       static_cast<int>(kWholeProcessorMs);
            Fill(c.dc, cell, c.colours.busy);
        } else {
            Fill(c.dc, cell, Blend(c.colours.back, c.colours.busy, busy));
        }
    }
    const int start = axis.X(program.startMs);
    if (seconds > 0) {
        Frame(c.dc, {start, barTop, axis.X(program.startMs + seconds * 1000ull) + line, barBottom},
              c.colours.text);
    }
    // The start mark stands out of the bar above and below.
    Fill(c.dc, {start - line, rowTop + c.Px(1), start + 2 * line, rowBottom - c.Px(1)},
         c.colours.text);
}

}  // namespace

bool TimelineShowsLoad(const LogOnRecord& record) {
    return record.waitedForIdle && !record.load.empty();
}

int TimelineScaled(int pixelsAt96, UINT dpi) {
    return ::MulDiv(pixelsAt96, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

TimelineLayout MeasureTimeline(HDC dc, UINT dpi, bool load) {
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    const int text = metrics.tmHeight;
    TimelineLayout layout;
    layout.margin = TimelineScaled(6, dpi);
    layout.text = text;
    layout.row = text + TimelineScaled(8, dpi);
    layout.strip = load ? 2 * text + TimelineScaled(10, dpi) + layout.margin : 0;
    layout.axis = TimelineScaled(5, dpi) + text + TimelineScaled(2, dpi);
    return layout;
}

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
    const bool load = TimelineShowsLoad(record);
    const TimelineLayout layout = MeasureTimeline(dc, dpi, load);
    Fill(dc, area, colours.back);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, colours.text);
    rows = std::min(rows, record.programs.size() - std::min(firstRow, record.programs.size()));
    const int top = area.top + layout.margin;
    const TimelineCanvas canvas{dc,
                                area,
                                layout,
                                ChooseAxis(dc, area, record, layout, load, dpi),
                                colours,
                                dpi,
                                std::max(1, TimelineScaled(1, dpi)),
                                top,
                                top + layout.strip};
    // Grid and axis first, the bars over them.
    DrawAxis(canvas, canvas.rowsTop + static_cast<int>(rows) * layout.row);
    if (load) DrawLoadStrip(canvas, record.load);
    for (size_t shown = 0; shown < rows; ++shown) {
        DrawProgramRow(canvas, record.programs[firstRow + shown],
                       canvas.rowsTop + static_cast<int>(shown) * layout.row);
    }
}

void DrawTimelineSentence(HDC dc, const RECT& area, const wchar_t* sentence,
                          const TimelineColours& colours, UINT dpi) {
    Fill(dc, area, colours.back);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, colours.text);
    RECT inset = area;
    ::InflateRect(&inset, -TimelineScaled(8, dpi), -TimelineScaled(8, dpi));
    RECT needed = inset;
    ::DrawTextW(dc, sentence, -1, &needed, DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    inset.top += std::max<LONG>(0, (inset.bottom - inset.top - (needed.bottom - needed.top)) / 2);
    ::DrawTextW(dc, sentence, -1, &inset, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

}  // namespace tarnwick::settings
