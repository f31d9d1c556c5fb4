// The base of the test doubles for the OS seam: every call goes to another `Os` (the real one,
// mostly) once `Before` has seen it and let it through. The forwarders and `Op` are generated from
// the seam's table in os.h, so a new member of `Os` needs nothing here; a double that only
// answers for calls overrides `Before` alone, and one that does more overrides the members it
// cares about.
#pragma once

#include "os.h"

#include <objbase.h>

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::testing {

enum class Op {
#define TARNWICK_OP_NAME(reach, name, parameters, arguments) name,
    TARNWICK_OS_SEAM(TARNWICK_OP_NAME)
#undef TARNWICK_OP_NAME
    // Not a member: how many there are.
    Count,
};

// What each member reaches, from the seam's table.
inline constexpr Reach kReachOf[] = {
#define TARNWICK_OP_REACH(reach, name, parameters, arguments) reach,
    TARNWICK_OS_SEAM(TARNWICK_OP_REACH)
#undef TARNWICK_OP_REACH
};
static_assert(std::size(kReachOf) == static_cast<size_t>(Op::Count));

constexpr bool Reaches(Op op, Reach reach) {
    return (kReachOf[static_cast<size_t>(op)] & reach) != 0;
}

// One call: the root (registry calls, HKEY_USERS for hives) and up to three texts, the member's
// parameters in their order: sub-key, value name, data for the registry (the data of a typed write
// as text: what REG_SZ or REG_EXPAND_SZ bytes spell); source, target and the target's root for
// moves; the path or command line otherwise, followed by the SDDL text for a folder's
// permissions; a number (a shell folder's CSIDL, the longest wait in milliseconds for the lock)
// as text.
struct Call {
    Op op;
    HKEY root = nullptr;
    std::wstring a, b, c;
    bool Changes() const { return Reaches(op, kWritesRegistry | kWritesFiles | kStartsProcess); }
};

// A call being described: its texts are filled in order.
struct CallNotes {
    Call call;
    int texts = 0;
    void Text(std::wstring text) {
        std::wstring* const slots[] = {&call.a, &call.b, &call.c};
        *slots[texts++] = std::move(text);
    }
};

// How a parameter of each type goes into a `Call`: an input is noted (or passed over, when it says
// nothing a test asks about), an output is emptied, so that a call the double refuses leaves no
// stale answer. A parameter of a new type gets its entry here.
template <typename T>
struct Slot {
    static_assert(sizeof(T) == 0, "say how a parameter of this type goes into a Call");
};
template <>
struct Slot<HKEY> {
    static constexpr int kTexts = 0;
    static void Note(CallNotes& notes, HKEY root) { notes.call.root = root; }
};
template <>
struct Slot<HWND> {
    static constexpr int kTexts = 0;
    static void Note(CallNotes&, HWND) {}
};
template <>
struct Slot<HANDLE> {
    static constexpr int kTexts = 0;
    static void Note(CallNotes&, HANDLE) {}
};
template <>
struct Slot<std::wstring_view> {
    static constexpr int kTexts = 1;
    static void Note(CallNotes& notes, std::wstring_view text) { notes.Text(std::wstring(text)); }
};
template <>
struct Slot<int> {
    static constexpr int kTexts = 1;
    static void Note(CallNotes& notes, int number) { notes.Text(std::to_wstring(number)); }
};
template <>
struct Slot<DWORD> {
    static constexpr int kTexts = 1;
    static void Note(CallNotes& notes, DWORD number) { notes.Text(std::to_wstring(number)); }
};
template <>
struct Slot<const KNOWNFOLDERID&> {
    static constexpr int kTexts = 1;
    static void Note(CallNotes& notes, const KNOWNFOLDERID& id) {
        wchar_t text[40] = {};
        ::StringFromGUID2(id, text, 40);
        notes.Text(text);
    }
};
// The data as text, up to its first NUL.
template <>
struct Slot<const RegValue&> {
    static constexpr int kTexts = 1;
    static void Note(CallNotes& notes, const RegValue& value) {
        const std::wstring text(reinterpret_cast<const wchar_t*>(value.data.data()),
                                value.data.size() / sizeof(wchar_t));
        notes.Text(text.c_str());
    }
};
// Outputs emptied, each to what the member answers when it fails.
template <typename T>
struct Out {
    static constexpr int kTexts = 0;
    static void Note(CallNotes&, T& out) { out = {}; }
};
template <>
struct Slot<RegValue&> : Out<RegValue> {};
template <>
struct Slot<std::wstring&> : Out<std::wstring> {};
template <typename T>
struct Slot<std::vector<T>&> : Out<std::vector<T>> {};
template <>
struct Slot<StartedProcess&> : Out<StartedProcess> {};
template <>
struct Slot<OwnedMutex&> {
    static constexpr int kTexts = 0;
    static void Note(CallNotes&, OwnedMutex& held) { held.reset(); }
};
// ShellDelete's `aborted`: a deletion that never reached the shell was declined.
template <>
struct Slot<bool&> {
    static constexpr int kTexts = 0;
    static void Note(CallNotes&, bool& aborted) { aborted = true; }
};
// FileAttributes' answer for a path it could not read.
template <>
struct Slot<DWORD&> {
    static constexpr int kTexts = 0;
    static void Note(CallNotes&, DWORD& attributes) { attributes = INVALID_FILE_ATTRIBUTES; }
};

// The `Call` of one member's call, from its parameters' types alone. A member whose fields a test
// reads otherwise has a specialisation below.
template <Op op, typename Member>
struct Describe;
template <Op op, typename... P>
struct Describe<op, Status (Os::*)(P...)> {
    static_assert((Slot<P>::kTexts + ... + 0) <= 3, "more texts than a Call holds: describe it");
    Call operator()(P... arguments) const {
        CallNotes notes{{op, nullptr, {}, {}, {}}};
        (Slot<P>::Note(notes, arguments), ...);
        return std::move(notes.call);
    }
};
// The source, the target and the target's root, as for the other moves.
template <>
struct Describe<Op::MoveFileInside, decltype(&Os::MoveFileInside)> {
    Call operator()(std::wstring_view from, std::wstring_view, std::wstring_view to,
                    std::wstring_view toRoot) const {
        return {Op::MoveFileInside, nullptr, std::wstring(from), std::wstring(to),
                std::wstring(toRoot)};
    }
};
// A hive is loaded under HKEY_USERS.
template <>
struct Describe<Op::LoadHive, decltype(&Os::LoadHive)> {
    Call operator()(std::wstring_view name, std::wstring_view file) const {
        return {Op::LoadHive, HKEY_USERS, std::wstring(name), std::wstring(file), {}};
    }
};
template <>
struct Describe<Op::UnloadHive, decltype(&Os::UnloadHive)> {
    Call operator()(std::wstring_view name) const {
        return {Op::UnloadHive, HKEY_USERS, std::wstring(name), {}, {}};
    }
};

#define TARNWICK_DESCRIBE(name) \
    Describe<Op::name, decltype(&Os::name)> {}

class ForwardingOs : public Os {
  public:
    explicit ForwardingOs(Os& real) : real_(real) {}

#define TARNWICK_FORWARD(reach, name, parameters, arguments)                \
    Status name parameters override {                                       \
        if (Status e = Before(TARNWICK_DESCRIBE(name) arguments)) return e; \
        return real_.name arguments;                                        \
    }
    TARNWICK_OS_SEAM(TARNWICK_FORWARD)
#undef TARNWICK_FORWARD

  protected:
    // Sees every call before it goes on. Any status but ERROR_SUCCESS is the call's answer, and the
    // call goes no further.
    virtual Status Before(const Call&) {
        return ERROR_SUCCESS;
    }

  private:
    Os& real_;
};

}  // namespace tarnwick::testing
