// `Form1`, the launcher's window: a small borderless top-most strip with the progress bar and
// the percentage, the pause / fast-forward / stop buttons, the "Loading" line and the logo. It
// runs start-up, owns the sequencer and wires it to Win32 timers and to the mouse.
#pragma once

#include "form_label.h"
#include "gdi.h"
#include "picture_button.h"
#include "sequencer.h"
#include "startup.h"
#include "timer_schedule.h"
#include "window.h"
#include "window_logic.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

inline constexpr wchar_t kLauncherWindowClass[] = L"TarnwickLauncher";
inline constexpr wchar_t kLauncherWindowTitle[] = L"Tarnwick";

// Each program with a window names its window Form1: each in a namespace of its own.
namespace launcher {

class Form1 final : public SequencerView, public ui::Window, private LabelHost {
  public:
    // `watch` hears of every start; the load samples count from `originTick`, the launcher's
    // start (GetTickCount64).
    Form1(HINSTANCE instance, ProgramWatch& watch, ULONGLONG originTick);
    ~Form1() override;

    // Creates the window and runs start-up. False when the launcher is to end at once.
    bool Create();

    // After the sequence, for the log-on's record: whether "Wait until the computer is idle" was
    // on, the load samples taken meanwhile, and whether the user quit, which cuts the log-on
    // short (Stop does not: what was started is measured as ever).
    bool WaitedForIdle() const { return options_.waitIdle; }
    std::vector<LoadSample> LoadSamples() const;
    bool Quit() const { return quit_; }

    void SetTimer(TimerId id, unsigned intervalMs) override;
    unsigned TimeLeftMs(TimerId id) const override;
    void ShowProgress(double barWidth, const std::wstring& percent) override;
    void SetMarqueeText(const std::wstring& text) override;
    void ShowPaused(bool paused) override;
    void Hide() override;
    void End() override;
    void ShowError(const std::wstring& text, const std::wstring& title) override;

  private:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(int id);
    void OnNextControl(WPARAM wParam, LPARAM lParam);
    void MoveFocus(bool backwards);
    void ShowFaces();
    void FollowSystemColours();
    void OnDpiChanged(WPARAM wParam, LPARAM lParam);

    void CreateControls();
    void LoadDpiResources();
    void LayOut();
    void ApplyLayout();
    void PlaceLabel1();
    RECT ToPixels(const TwipsRect& r) const;
    int Px(double twips) const { return TwipsToPixels(twips, dpi_); }

    void OnTimer(TimerId id);
    void SyncTimers();
    void OnTimer4();
    void OnTimer5();
    void OnTimer6();

    // LabelHost, and the form's own face, which is the drag label.
    void Press(POINT pointer) override;
    void Drag(POINT pointer, bool keepOnScreen) override;
    void RefreshAutoHide() override;
    void PercentReleased(bool left) override;
    void PaintLabel(LabelKind kind, HDC dc) const override;
    void SavePosition();
    void SetHeight(bool collapsed);

    RECT BarRect() const;
    void PaintBar(HDC dc) const;
    void PaintBackground(HDC dc) const;
    void PaintLabel1(HDC dc) const;
    void PaintLabel4(HDC dc) const;
    void PaintPicture1(HDC dc) const;

    HINSTANCE instance_;
    ProgramWatch& watch_;
    const ULONGLONG origin_;
    bool quit_ = false;
    PictureButton command4_;
    PictureButton command2_;
    PictureButton command3_;
    FormLabel picture1_{LabelKind::Logo, *this};
    FormLabel label1_{LabelKind::Percent, *this};
    FormLabel label4_{LabelKind::Loading, *this};

    StoreContext ctx_;
    LauncherOptions options_;
    LaunchList list_;
    std::optional<SystemLoadMeter> load_;  // only while the starts are paced by the load
    std::optional<Sequencer> sequencer_;
    WindowLayout layout_;
    TimerSchedule schedule_;
    Marquee marquee_;
    ColourCycler colours_;

    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    double barWidth_ = 0;  // twips
    bool progressShown_ = false;
    bool coloured_ = false;  // the bar shows its design colour until the first colour tick
    bool collapsed_ = false;
    // High contrast: the bar, the percentage and the "Loading" line in the system's colours.
    bool highContrast_ = false;
    POINT press_{};  // pressX, pressY: pixels of the control that was pressed
    // The captions of the percentage and of the "Loading" line, as last set: painted from here
    // on every tick, without asking the controls for them.
    std::wstring percentText_ = L"0%";
    std::wstring loadingText_;

    UniqueFont font_;
    UniqueBitmap logo_;
    UniqueBrush marqueeBack_{::CreateSolidBrush(RGB(0, 0, 0))};  // behind the "Loading" line
    UniqueIcon pauseIcon_;
    UniqueIcon playIcon_;
    UniqueIcon fastForwardIcon_;
    UniqueIcon stopIcon_;
};
}  // namespace launcher

}  // namespace tarnwick
