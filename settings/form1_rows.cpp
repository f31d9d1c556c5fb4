// The settings window's list of programs: the three lists that scroll and select as one (names,
// impacts, commands), the commands that change the launch order, and the selected program's own
// wait.
#include "form1.h"

#include "labels.h"
#include "resource.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

namespace tarnwick::settings {
namespace {

// The choices of the own wait, in the order of OwnWait::Kind.
constexpr const wchar_t* kWaitChoices[] = {L"Same as the others",
                                           L"A number of seconds after the one before starts",
                                           L"When the one before has ended"};

}  // namespace

void Form1::AttachRows() {
    lists_.Attach(
        {Item(IDC_List4), Item(IDC_List6), Item(IDC_List5)}, [this] { ShowWait(); },
        [this](bool up) { OnMove(up); });
    for (const wchar_t* choice : kWaitChoices) {
        ::SendMessageW(Item(IDC_Combo2), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    }
    ::SendMessageW(Item(IDC_UpDown1), UDM_SETRANGE32, 0, kMostOwnWaitSeconds);
    // Four digits at most: the longest wait has four.
    ::SendMessageW(Item(IDC_Text1), EM_SETLIMITTEXT, 4, 0);
}

void Form1::OnMove(bool up) {
    const int from = lists_.Selection();
    const int to = up ? model_->MoveUp(from) : model_->MoveDown(from);
    if (to == from) return;
    const auto row = static_cast<size_t>(to);
    lists_.Move(from, to,
                {model_->rows.names.Item(row), std::wstring(ImpactWord(model_->ImpactOfRow(row))),
                 model_->rows.commands.Item(row)});
}

void Form1::OnLightestFirst() {
    const int selected = model_->LightestFirst(lists_.Selection());
    ShowRows();
    lists_.Select(selected);
}

void Form1::OnWaitChoice() {
    const int row = lists_.Selection();
    const auto choice = ::SendMessageW(Item(IDC_Combo2), CB_GETCURSEL, 0, 0);
    if (showingWait_ || row < 0 || choice < 0 || choice >= std::ssize(kWaitChoices)) return;
    // A number of seconds starts from the one the box shows: none yet is 0.
    const auto seconds = static_cast<int>(::SendMessageW(Item(IDC_UpDown1), UDM_GETPOS32, 0, 0));
    model_->SetWaitOfRow(static_cast<size_t>(row),
                         {static_cast<OwnWait::Kind>(choice), std::max(seconds, 0)});
    ShowWait();
}

void Form1::OnWaitSeconds() {
    const int row = lists_.Selection();
    if (showingWait_ || row < 0) return;
    BOOL number = FALSE;
    const UINT seconds = ::GetDlgItemInt(hwnd(), IDC_Text1, &number, FALSE);
    // While the box is empty, the wait stays as it was.
    if (!number) return;
    model_->SetWaitOfRow(
        static_cast<size_t>(row),
        {OwnWait::Kind::Seconds, static_cast<int>(std::min<UINT>(seconds, kMostOwnWaitSeconds))});
    if (seconds > static_cast<UINT>(kMostOwnWaitSeconds)) ShowWait();
}

void Form1::ShowRows() {
    ItemList impacts;
    for (size_t row = 0; row < model_->rows.Count(); ++row) {
        impacts.Append(std::wstring(ImpactWord(model_->ImpactOfRow(row))));
    }
    lists_.Show({&model_->rows.names, &impacts, &model_->rows.commands});
    ShowWait();
}

void Form1::ShowWait() {
    const int row = lists_.Selection();
    const bool selected = row >= 0;
    const OwnWait wait = selected ? model_->WaitOfRow(static_cast<size_t>(row)) : OwnWait{};
    const bool seconds = selected && wait.kind == OwnWait::Kind::Seconds;
    showingWait_ = true;
    ::SendMessageW(Item(IDC_Combo2), CB_SETCURSEL,
                   selected ? static_cast<WPARAM>(wait.kind) : static_cast<WPARAM>(-1), 0);
    ::SendMessageW(Item(IDC_UpDown1), UDM_SETPOS32, 0, wait.seconds);
    // The box is empty unless the wait is a number of seconds.
    if (!seconds) ::SetDlgItemTextW(hwnd(), IDC_Text1, L"");
    showingWait_ = false;
    for (const int id : {IDC_Label16, IDC_Combo2}) ::EnableWindow(Item(id), selected);
    for (const int id : {IDC_Label17, IDC_Text1, IDC_UpDown1}) ::EnableWindow(Item(id), seconds);
}

}  // namespace tarnwick::settings
