// The skin index parser: the record format, and that no input can crash it or make it slow.
#include "skin_index.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

namespace tarnwick {
namespace {

using Skins = std::vector<SkinRecord>;

TEST(SkinIndexTest, QuotedAndUnquotedFieldsWithCommasAndLineEnds) {
    EXPECT_EQ(ParseSkinIndex("\"Blue, deep\",\"blue.jpg\",16777215\r\n"
                             "Plain , plain.bmp,255\n"
                             "\"Split\"\n\"split.gif\"\n65280"),
              (Skins{{L"Blue, deep", L"blue.jpg", 0xFFFFFF},
                     {L"Plain", L"plain.bmp", 255},
                     {L"Split", L"split.gif", 0x00FF00}}));
}

TEST(SkinIndexTest, OneRecordWithOrWithoutAFinalLineEnd) {
    const Skins one{{L"Only", L"only.jpg", 12}};
    EXPECT_EQ(ParseSkinIndex("\"Only\",\"only.jpg\",12"), one);
    EXPECT_EQ(ParseSkinIndex("\"Only\",\"only.jpg\",12\r\n"), one);
    EXPECT_EQ(ParseSkinIndex("\r\n\r\n\"Only\",\"only.jpg\",12\r\n\r\n  \n"), one);
    EXPECT_EQ(ParseSkinIndex("\xEF\xBB\xBF\"Only\",\"only.jpg\",12"), one);
}

TEST(SkinIndexTest, TextOutsideAsciiIsReadAsUtf8OrTheCodePage) {
    EXPECT_EQ(ParseSkinIndex("\"Gr\xC3\xBCn \xE6\x9D\xBE\",\"g.jpg\",1"),
              (Skins{{L"Gr\u00FCn \u677E", L"g.jpg", 1}}));
    // Not UTF-8: the system code page gives some text, and the record stays usable.
    const Skins legacy = ParseSkinIndex("\"Gr\xFCn\",\"g.jpg\",1");
    ASSERT_EQ(legacy.size(), 1u);
    EXPECT_EQ(legacy[0].picture, L"g.jpg");
}

TEST(SkinIndexTest, MalformedRecordsNeitherCrashNorShowGarbage) {
    EXPECT_TRUE(ParseSkinIndex("").empty());
    EXPECT_TRUE(ParseSkinIndex("\r\n \n").empty());
    EXPECT_TRUE(ParseSkinIndex("\"Name only\"").empty());
    EXPECT_TRUE(ParseSkinIndex("\"Name\",\"pic.jpg\"\r\n").empty());  // colour missing
    EXPECT_EQ(ParseSkinIndex("\"Name\",\"pic.jpg\","), (Skins{{L"Name", L"pic.jpg", 0}}));
    // Colours that are not a colour read as black.
    EXPECT_EQ(
        ParseSkinIndex("a,a.jpg,red\nb,b.jpg,-5\nc,c.jpg,16777216\nd,d.jpg,1.5\n"),
        (Skins{
            {L"a", L"a.jpg", 0}, {L"b", L"b.jpg", 0}, {L"c", L"c.jpg", 0}, {L"d", L"d.jpg", 0}}));
    // An unterminated quote runs to the end of the file.
    EXPECT_TRUE(ParseSkinIndex("\"Open,\"x.jpg\",1").empty());
    // Text after a closing quote is ignored up to the separator.
    EXPECT_EQ(ParseSkinIndex("\"A\"junk,\"a.jpg\" ,7"), (Skins{{L"A", L"a.jpg", 7}}));
}

TEST(SkinIndexTest, BinaryInputIsNoIndexAtAll) {
    using namespace std::string_literals;
    const std::string good = "\"Slate\",\"slate.jpg\",1\r\n";
    EXPECT_EQ(ParseSkinIndex(good).size(), 1u);
    EXPECT_TRUE(ParseSkinIndex(good + "\0"s).empty());
    EXPECT_TRUE(ParseSkinIndex(good + "\x7F").empty());
    EXPECT_TRUE(ParseSkinIndex(good + "\x1B[0m").empty());
    // The start of a picture file, renamed: not an index.
    EXPECT_TRUE(ParseSkinIndex("\xFF\xD8\xFF\xE0\0\x10JFIF\0,a.jpg,1\n"s).empty());
    // UTF-16 text is no index either: every other byte is a NUL.
    EXPECT_TRUE(ParseSkinIndex("\xFF\xFE\"\0S\0\"\0,\0s\0.\0j\0p\0g\0,\0001\0"s).empty());
    // Tabs are text.
    EXPECT_EQ(ParseSkinIndex("\t\"Tab\",\t\"t.jpg\",\t2\n"), (Skins{{L"Tab", L"t.jpg", 2}}));
}

TEST(SkinIndexTest, PicturesMustBeFileNamesInsideTheSkinsFolder) {
    EXPECT_EQ(ParseSkinIndex("a,..\\..\\secret.bmp,1\n"
                             "b,\\\\server\\share\\x.jpg,1\n"
                             "c,C:x.jpg,1\n"
                             "d,sub/x.jpg,1\n"
                             "e,..,1\n"
                             "f,,1\n"
                             "g,good.jpg,1\n"),
              (Skins{{L"g", L"good.jpg", 1}}));
}

TEST(SkinIndexTest, AtMostTheTableSize) {
    std::string text;
    for (int i = 0; i < 1002; ++i)
        text += "\"S" + std::to_string(i) + "\",\"s.jpg\"," + std::to_string(i) + "\r\n";
    const Skins skins = ParseSkinIndex(text);
    ASSERT_EQ(skins.size(), kMaxSkins);
    EXPECT_EQ(skins.back().name, L"S1000");
    text.resize(text.find("\"S1001\""));
    EXPECT_EQ(ParseSkinIndex(text).size(), 1001u);
}

TEST(SkinIndexTest, GeneratedIndexesReadBackRecordForRecord) {
    std::mt19937 rng(11);
    const auto text = [&](std::string_view alphabet, size_t most) {
        std::string out(1 + rng() % most, ' ');
        for (char& c : out) c = alphabet[rng() % alphabet.size()];
        return out;
    };
    const auto separator = [&] {
        constexpr std::string_view kSeparators[] = {",", "\r\n", "\n"};
        return std::string(kSeparators[rng() % 3]);
    };
    const auto wide = [](const std::string& ascii) {
        return std::wstring(ascii.begin(), ascii.end());
    };
    for (int round = 0; round < 500; ++round) {
        Skins written;
        std::string index;
        const size_t count = rng() % 8;
        for (size_t i = 0; i < count; ++i) {
            // Names may hold commas and spaces inside their quotes; pictures are plain file
            // names, quoted or not.
            const std::string name = text("ab XY,.-09", 12);
            // Not "." or "..": a letter first.
            std::string picture = text("abxy019_-", 1);
            picture.append(text("abxy019_-.", 10));
            const auto colour = static_cast<COLORREF>(rng() % 0x1000000);
            const bool quoted = rng() % 2 != 0;
            index.append(1, '"').append(name).append(1, '"').append(separator());
            if (quoted) index.append(1, '"');
            index.append(picture);
            if (quoted) index.append(1, '"');
            index.append(separator());
            index += std::to_string(colour);
            if (i + 1 < count || rng() % 2) index += separator();
            written.push_back({wide(name), wide(picture), colour});
        }
        EXPECT_EQ(ParseSkinIndex(index), written) << index;
    }
}

TEST(SkinIndexTest, ArbitraryBytesNeverCrashAndStayLinear) {
    std::mt19937 rng(7);
    // Text made of what means something to the parser, and to a path, in every other round; any
    // bytes at all, which are mostly no text, in the rounds between.
    const std::string alphabet = "\",\r\n ab.jpg0123456789\t\xC3\xBF\xFF\\/:";
    const std::filesystem::path skinsFolder = L"C:\\Tarnwick\\skins";
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(rng() % 400, '\0');
        for (char& c : bytes)
            c = round % 2 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
        // Whatever the bytes, a picture is a file of the skins folder itself, by the file
        // system's own reading of the path.
        for (const SkinRecord& s : ParseSkinIndex(bytes)) {
            const std::filesystem::path inside = (skinsFolder / s.picture).lexically_normal();
            EXPECT_EQ(inside.parent_path(), skinsFolder)
                << "picture of " << s.picture.size() << " characters reaches out of it";
        }
    }
    // A megabyte of commas is a million empty fields: still quick.
    const Skins commas = ParseSkinIndex(std::string(1 << 20, ','));
    EXPECT_TRUE(commas.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
}  // namespace tarnwick
