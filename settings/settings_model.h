// The settings window's state and behaviour without the window: the opening, Save, the master
// switch, the tick boxes, the skin choice and the row moves all work on this model, and Form1
// only mirrors it in its controls and passes the user's actions in.
#pragma once

#include "context.h"
#include "delay.h"
#include "last_logon.h"
#include "launch_list.h"
#include "logon_costs.h"
#include "own_wait.h"
#include "policy.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnwick::settings {

// The painting and file side of the skins, which the window supplies.
class SkinHooks {
  public:
    virtual ~SkinHooks() = default;
    // Reads the skin index and gives the display names in index order: the skin list's entries.
    virtual std::vector<std::wstring> SkinLoad() = 0;
    // Gives the windows skin number `sk` (called only while skins are shown).
    virtual void Skin(int sk) = 0;
    // Takes every skin off the windows.
    virtual void NoSkin() = 0;
};

// The tick boxes of the window.
enum class Box {
    VisibleOnStartup,  // Check1
    AutoHide,          // Check2
    ShowDetails,       // Check3
    ShowSkin,          // Check4
    HideLogo,          // Check5
    WaitIdle,          // Check6: "Wait until the computer is idle"
};

// Blank rows the opening puts in front of the list build, so that stored positions up to 99
// find a row to take.
inline constexpr size_t kOpeningBlankRows = 50;

// Whether the opening must warn that the programs Tarnwick holds start nowhere: the stored switch
// is on, but the launcher's own start-up entry is switched off in Task Manager, so Windows no
// longer starts the launcher.
bool SwitchedOffInTaskManager(Os& os);

class SettingsModel {
  public:
    SettingsModel(const StoreContext& ctx, SkinHooks& skins) : ctx_(ctx), skins_(skins) {}

    // The window's opening: reads "misc", writes back what it read, shows it, fills the rows.
    void Load();
    // Writes every setting and the launch order. The caller ends the program afterwards.
    void Save() const;
    // The master switch: gives every entry back to Windows, or takes them again and rebuilds the
    // rows. The switch's state is stored as it acts (with administrator rights, the machine's too),
    // never by Save. Returns what it could not do, in words for the
    // user (which programs stayed where they were, who starts them now and what would change
    // it); empty when it did everything. While another Tarnwick program changes the start-up
    // programs (the holdings lock), it waits a few seconds, then does nothing and says so.
    std::wstring ToggleSwitch();

    bool Ticked(Box box) const;
    // A tick box was set by the user. A box that a policy sets keeps the policy's value.
    void SetBox(Box box, bool ticked);

    // The policies the opening found: a setting they set shows the policy's value, cannot be
    // changed, and Save leaves the user's own in the store.
    const Policies& PoliciesInForce() const { return policies_; }
    bool SetByPolicy(Box box) const;
    // While a policy locks the switch, Tarnwick cannot be switched off from here.
    bool SwitchLocked() const { return policies_.Locked() && enabled_; }

    // The skin list's choice; -1 when nothing is chosen.
    void ChooseSkin(int index);
    const std::vector<std::wstring>& SkinNames() const { return skinNames_; }
    int SelectedSkin() const { return selectedSkin_; }
    // The skin list is usable only while skins are shown.
    bool SkinListEnabled() const { return skinsShown_; }

    // Moves the selected row one up or down; returns the row selected afterwards (the same row
    // when the move is impossible, -1 when nothing was selected).
    int MoveUp(int selected) { return MoveRow(selected, -1); }
    int MoveDown(int selected) { return MoveRow(selected, +1); }

    // Orders the rows by their start-up impact, lightest first: Low, Medium, High, then those not
    // measured; rows of equal impact keep their order. Returns the row that the selected one
    // moved to (-1 when nothing was selected). Nothing is stored before Save.
    int LightestFirst(int selected);
    // The start-up impact of a row, from the median of the log-ons kept for its name.
    Impact ImpactOfRow(size_t row) const;

    // The wait of a row's own, as the window shows it: an entry whose stored wait does not read
    // shows the same as the others. A wait belongs to the entry's name, as its place in
    // "priority" does, so it follows the row wherever the row moves.
    OwnWait WaitOfRow(size_t row) const;
    void SetWaitOfRow(size_t row, OwnWait wait);

    // The last log-on as the launcher kept it; nothing when none is measured yet.
    const std::optional<LogOnRecord>& LastLogOn() const { return lastLogOn_; }

    // The switch's text, "Enabled" or "Disabled", with the same access key (b) in both, so that
    // the key stays the switch's whichever way it stands.
    const std::wstring& SwitchCaption() const { return switchCaption_; }
    bool Enabled() const { return enabled_; }

    DelaySpin loadingDelay;  // Label2 with VScroll1
    DelaySpin initialDelay;  // Label3 with VScroll2
    LaunchList rows;         // List4 (names) and List5 (commands)

  private:
    // Applies skin `sk`; a negative number becomes 0 (in the caller's variable too) and chooses
    // the list's first entry.
    void Skin(int& sk);
    // The opening's second half: what it takes and moves, then the rows and what is kept of them.
    void LoadRows();
    void SaveLaunchOrder() const;
    void SaveOwnWaits() const;
    int MoveRow(int selected, int step);

    StoreContext ctx_;
    SkinHooks& skins_;

    bool enabled_ = true;
    bool skinsShown_ = true;
    bool visibleOnStartup_ = false;
    bool autoHide_ = false;
    bool showDetails_ = false;
    bool showSkin_ = false;
    bool hideLogo_ = false;
    bool waitIdle_ = false;
    std::wstring switchCaption_ = L"Ena&bled";
    std::vector<std::wstring> skinNames_;
    int selectedSkin_ = -1;
    KeptCosts costs_;
    // The waits as the opening read them, and as the user has set them since. Save writes only
    // the names whose wait the user changed, so that a stored value the window could not read
    // stays as it is unless the user chose another for that program.
    OwnWaits storedWaits_;
    OwnWaits waits_;
    std::optional<LogOnRecord> lastLogOn_;
    Policies policies_;
};

}  // namespace tarnwick::settings
