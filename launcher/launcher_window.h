// `Form1`, the launcher's window: a small borderless top-most strip with the progress bar and
// the percentage, the pause / fast-forward / stop buttons, the "Loading" line and the logo. It
// runs start-up, owns the sequencer and wires it to Win32 timers and to the mouse.
#pragma once

#include "handles.h"
#include "sequencer.h"
#include "startup.h"
#include "timer_schedule.h"
#include "window_logic.h"

#include <optional>

namespace tarnwick {

inline constexpr wchar_t kLauncherWindowClass[] = L"TarnwickLauncher";
inline constexpr wchar_t kLauncherWindowTitle[] = L"Tarnwick";

class Form1 final : public SequencerView {
  public:
    explicit Form1(HINSTANCE instance);
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Creates the window and runs start-up. False when the launcher is to end at once.
    bool Create();

    void SetTimer(TimerId id, unsigned intervalMs) override;
    void ShowProgress(double barWidth, const std::wstring& percent) override;
    void SetMarqueeText(const std::wstring& text) override;
    void ShowPaused(bool paused) override;
    void Hide() override;
    void End() override;
    void ShowError(const std::wstring& text, const std::wstring& title) override;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnControlMessage(HWND control, UINT msg, WPARAM wParam, LPARAM lParam);

    struct ButtonState {
        HICON face = nullptr;
        bool down = false;    // pressed with the left button, pointer captured
        bool inside = false;  // and the pointer is over it
    };
    ButtonState* ButtonOf(HWND control);
    LRESULT OnButtonMessage(HWND button, ButtonState& state, UINT msg, WPARAM wParam,
                            LPARAM lParam);
    void ClickButton(HWND button);
    void PaintButton(HWND button, const ButtonState& state, HDC dc) const;
    void ShowFaces();

    void CreateControls();
    void LoadDpiResources();
    void ApplyLayout();
    void PlaceLabel1();
    RECT ToPixels(const TwipsRect& r) const;
    int Px(double twips) const { return TwipsToPixels(twips, dpi_); }

    void OnTimer(TimerId id);
    void SyncTimers();
    void OnTimer4();
    void OnTimer5();
    void OnTimer6();

    void Press(POINT pointer);
    void Drag(POINT pointer, bool keepOnScreen);
    void RefreshAutoHide();
    void SavePosition();
    void SetHeight(bool collapsed);

    RECT BarRect() const;
    void PaintBackground(HDC dc) const;
    void PaintLabel1(HDC dc) const;
    void PaintLabel4(HDC dc) const;
    void PaintPicture1(HDC dc) const;

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND label1_ = nullptr;
    HWND command4_ = nullptr;
    HWND command2_ = nullptr;
    HWND command3_ = nullptr;
    ButtonState buttons_[3];  // Command4, Command2, Command3
    HWND label4_ = nullptr;
    HWND picture1_ = nullptr;

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
    bool ended_ = false;
    POINT press_{};  // pressX, pressY: pixels of the control that was pressed

    UniqueGdiObj font_;
    UniqueGdiObj logo_;
    UniqueIcon pauseIcon_;
    UniqueIcon playIcon_;
    UniqueIcon fastForwardIcon_;
    UniqueIcon stopIcon_;
};

}  // namespace tarnwick
