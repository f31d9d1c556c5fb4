// The per-user settings store, the options table and the text conversions their readers use.
#include "convert.h"
#include "options.h"
#include "settings_store.h"

#include "sandbox.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cwchar>
#include <string>

namespace tarnwick {
namespace {

class StoreTest : public ::testing::Test {
  protected:
    testing::RegistrySandbox sandbox;
    Os& os = SystemOs();
};

TEST_F(StoreTest, KeepsTextAsRegSzUnderTheApplicationKey) {
    EXPECT_EQ(StoreWrite(os, kMiscSection, L"TimeDelay", L"40"), ERROR_SUCCESS);
    const auto values = testing::DumpKey(HKEY_CURRENT_USER, L"Software\\Veltane\\misc");
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].name, L"TimeDelay");
    EXPECT_EQ(values[0].type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(StoreRead(os, kMiscSection, L"TimeDelay", L"3"), L"40");
}

TEST_F(StoreTest, TextOutsideAnyCodePageRoundTrips) {
    const std::wstring name = L"\u65E5\u672C\u8A9E \u0394\u03B5\u03BB\u03C4\u03B1 \U0001F680";
    const std::wstring command = L"\"C:\\Program Files\\\u0645\u062B\u0627\u0644\\a.exe\" --\u00E9";
    StoreWrite(os, kUserSection, name, command);
    EXPECT_EQ(StoreRead(os, kUserSection, name, L""), command);
    const auto pairs = StoreReadSection(os, kUserSection);
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0], (StorePair{name, command}));
}

TEST_F(StoreTest, NamesCompareWithoutLetterCase) {
    StoreWrite(os, L"misc", L"AutoHide", L"True");
    StoreWrite(os, L"MISC", L"autohide", L"False");
    EXPECT_EQ(StoreRead(os, L"Misc", L"AUTOHIDE", L""), L"False");
    EXPECT_EQ(StoreReadSection(os, kMiscSection).size(), 1u);
    StoreDelete(os, L"mIsC", L"AutoHIDE");
    EXPECT_TRUE(StoreReadSection(os, kMiscSection).empty());
}

TEST_F(StoreTest, MissingThingsReadAsDefaultsAndDeletesOfNothingSucceed) {
    EXPECT_EQ(StoreRead(os, kMiscSection, L"X", L"-1"), L"-1");
    EXPECT_TRUE(StoreReadSection(os, kPrioritySection).empty());
    EXPECT_EQ(StoreDelete(os, kPrioritySection), ERROR_SUCCESS);
    EXPECT_EQ(StoreDelete(os, kPrioritySection, L"nothing"), ERROR_SUCCESS);
}

TEST_F(StoreTest, SectionDeleteTakesOnlyThatSection) {
    StoreWrite(os, kPrioritySection, L"a", L"0");
    StoreWrite(os, kPrioritySection, L"b", L"1");
    StoreWrite(os, kMachineSection, L"a", L"a.exe");
    EXPECT_EQ(StoreDelete(os, kPrioritySection), ERROR_SUCCESS);
    EXPECT_TRUE(StoreReadSection(os, kPrioritySection).empty());
    EXPECT_FALSE(testing::KeyExists(HKEY_CURRENT_USER, L"Software\\Veltane\\priority"));
    EXPECT_EQ(StoreReadSection(os, kMachineSection).size(), 1u);
    // An empty section name must never reach the application key itself.
    EXPECT_NE(StoreDelete(os, L""), ERROR_SUCCESS);
    EXPECT_EQ(StoreReadSection(os, kMachineSection).size(), 1u);
}

TEST_F(StoreTest, ValuesThatAreNotTextReadAsTheDefault) {
    const DWORD number = 99;
    testing::SetRaw(HKEY_CURRENT_USER, L"Software\\Veltane\\misc", L"TimeDelay", REG_DWORD, &number,
                    sizeof number);
    EXPECT_EQ(StoreRead(os, kMiscSection, L"TimeDelay", L"3"), L"3");
    EXPECT_TRUE(StoreReadSection(os, kMiscSection).empty());
}

TEST_F(StoreTest, TypedReadsFallBackOnUnreadableText) {
    StoreWrite(os, kMiscSection, L"Details", L"maybe");
    StoreWrite(os, kMiscSection, L"V", L"TRUE");
    StoreWrite(os, kMiscSection, L"TimeDelay", L"four");
    StoreWrite(os, kMiscSection, L"X", L"1440.5");
    EXPECT_TRUE(StoreReadFlag(os, kMiscSection, L"Details", true));
    EXPECT_FALSE(StoreReadFlag(os, kMiscSection, L"Details", false));
    EXPECT_TRUE(StoreReadFlag(os, kMiscSection, L"V", false));
    EXPECT_EQ(StoreReadNumber(os, kMiscSection, L"TimeDelay", 3), 3);
    EXPECT_EQ(StoreReadNumber(os, kMiscSection, L"X", -1), 1440.5);
    EXPECT_EQ(StoreReadNumber(os, kMiscSection, L"absent", -1), -1);
}

TEST_F(StoreTest, OptionsReadTheirDefaultsAndWriteTheirTextForms) {
    // Missing: the default, in the option's text form.
    EXPECT_EQ(ReadOptionText(os, misc::kX), L"-1");
    EXPECT_EQ(ReadOptionText(os, misc::kTimeDelay), L"3");
    EXPECT_EQ(ReadOptionText(os, misc::kAutoHide), L"False");
    EXPECT_TRUE(ReadOption(os, misc::kEnabled));
    EXPECT_EQ(ReadOption(os, misc::kInitTimeDelay), 10);

    WriteOption(os, misc::kEnabled, false);
    WriteOption(os, misc::kTimeDelay, 40);
    WriteOptionText(os, misc::kHideLogo, L"1");
    WriteOptionText(os, misc::kInitTimeDelay, L"soon");
    EXPECT_EQ(StoreRead(os, kMiscSection, L"Enabled", L""), L"False");
    EXPECT_EQ(StoreRead(os, kMiscSection, L"TimeDelay", L""), L"40");
    EXPECT_FALSE(ReadOption(os, misc::kEnabled));
    EXPECT_EQ(ReadOption(os, misc::kTimeDelay), 40);
    EXPECT_TRUE(ReadOption(os, misc::kHideLogo));  // a digit reads as a flag
    // Text that is no number reads as the default, and stays as it is.
    EXPECT_EQ(ReadOption(os, misc::kInitTimeDelay), 10);
    EXPECT_EQ(ReadOptionText(os, misc::kInitTimeDelay), L"soon");
}

TEST(ConvertTest, FlagsAcceptWordsInAnyCaseAndAnyNumber) {
    for (const wchar_t* yes :
         {L"True", L"true", L"TRUE", L" tRuE ", L"1", L"-1", L"2", L"0.5", L"1e3"}) {
        EXPECT_EQ(ParseFlag(yes), std::optional<bool>(true)) << yes;
    }
    for (const wchar_t* no : {L"False", L"FALSE", L"false", L"0", L"0.0", L" 0 ", L"-0"}) {
        EXPECT_EQ(ParseFlag(no), std::optional<bool>(false)) << no;
    }
    for (const wchar_t* neither : {L"", L"yes", L"Truth", L"1 2", L"0x1", L"\u0661"}) {
        EXPECT_EQ(ParseFlag(neither), std::nullopt) << neither;
    }
}

// German regional settings, where the decimal separator is a comma, for the C runtime and the
// thread while it lives; both are as they were afterwards.
class GermanLocale {
  public:
    GermanLocale() : thread_(::GetThreadLocale()) {
        if (const char* now = std::setlocale(LC_ALL, nullptr)) runtime_ = now;
        ::SetThreadLocale(kGerman);
        set_ = std::setlocale(LC_ALL, "German_Germany.1252") != nullptr;
    }
    ~GermanLocale() {
        std::setlocale(LC_ALL, runtime_.c_str());
        ::SetThreadLocale(thread_);
    }
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;
    bool Set() const { return set_; }

    static constexpr LCID kGerman = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);

  private:
    LCID thread_;
    std::string runtime_ = "C";
    bool set_ = false;
};

TEST(ConvertTest, NumbersAreDecimalWithAPointWhateverTheLocale) {
    // A user whose regional settings use a comma must still read what another program wrote.
    const LCID threadBefore = ::GetThreadLocale();
    const std::string runtimeBefore = std::setlocale(LC_ALL, nullptr);
    {
        const GermanLocale german;
        ASSERT_TRUE(german.Set()) << "no German locale in the C runtime";
        ASSERT_EQ(::GetThreadLocale(), GermanLocale::kGerman);
        // The runtime now reads and writes numbers with a comma: a conversion that followed the
        // locale would read "1440,5" and write "1440,5".
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
        ASSERT_EQ(std::wcstod(L"1440,5", nullptr), 1440.5);
        EXPECT_EQ(ParseNumber(L"1440.5"), 1440.5);
        EXPECT_EQ(ParseNumber(L"1440,5"), std::nullopt);
        EXPECT_EQ(FormatNumber(1440.5), L"1440.5");
    }
    EXPECT_EQ(::GetThreadLocale(), threadBefore);
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), runtimeBefore);

    EXPECT_EQ(ParseNumber(L" 40 "), 40);
    EXPECT_EQ(ParseNumber(L"+7"), 7);
    EXPECT_EQ(ParseNumber(L"-1"), -1);
    EXPECT_EQ(ParseNumber(L"40s"), std::nullopt);
    EXPECT_EQ(ParseNumber(L"inf"), std::nullopt);
    EXPECT_EQ(ParseNumber(L"1e999"), std::nullopt);
    EXPECT_EQ(FormatNumber(40), L"40");
    EXPECT_EQ(FormatNumber(-1), L"-1");
}

TEST(ConvertTest, LeadingNumberTakesTheNumberAtTheStartOnly) {
    EXPECT_EQ(LeadingNumber(L"12"), 12);
    EXPECT_EQ(LeadingNumber(L"12abc"), 12);
    EXPECT_EQ(LeadingNumber(L" -3"), -3);
    EXPECT_EQ(LeadingNumber(L"abc"), 0);
    EXPECT_EQ(LeadingNumber(L""), 0);
    EXPECT_EQ(LeadingNumber(L"2.9"), 2);
    EXPECT_EQ(LeadingNumber(L"99999999999999999999999"), std::numeric_limits<long long>::max());
}

}  // namespace
}  // namespace tarnwick
