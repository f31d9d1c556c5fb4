#include "skin_index.h"

#include "convert.h"
#include "handles.h"

#include <algorithm>

namespace tarnwick {
namespace {

std::wstring Decode(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (bytes.empty()) return {};
    const int size = static_cast<int>(std::min<size_t>(bytes.size(), 1u << 24));
    for (UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
        const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int len = ::MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
        if (len <= 0) continue;
        std::wstring text(static_cast<size_t>(len), L'\0');
        ::MultiByteToWideChar(codePage, flags, bytes.data(), size, text.data(), len);
        return text;
    }
    return {};
}

// Reads fields one after another from the decoded text.
class FieldReader {
  public:
    explicit FieldReader(std::wstring_view text) : text_(text) {}

    bool AtEnd() {
        // Blank lines and trailing white space between records are not records.
        while (pos_ < text_.size() && IsSpaceOrLineEnd(text_[pos_])) ++pos_;
        return pos_ >= text_.size();
    }

    std::wstring Next() {
        while (pos_ < text_.size() && (text_[pos_] == L' ' || text_[pos_] == L'\t')) ++pos_;
        std::wstring field;
        if (pos_ < text_.size() && text_[pos_] == L'"') {
            const size_t close = text_.find(L'"', pos_ + 1);
            const size_t end = close == text_.npos ? text_.size() : close;
            field.assign(text_.substr(pos_ + 1, end - pos_ - 1));
            pos_ = close == text_.npos ? text_.size() : close + 1;
            // Anything between the closing quote and the separator is not part of the field.
            while (pos_ < text_.size() && !IsSeparator(text_[pos_])) ++pos_;
        } else {
            const size_t start = pos_;
            while (pos_ < text_.size() && !IsSeparator(text_[pos_])) ++pos_;
            field = TrimSpaces(text_.substr(start, pos_ - start));
        }
        SkipSeparator();
        return field;
    }

    // Whether another field follows: text remains, or the text ended right after a comma.
    bool HasField() const { return pos_ < text_.size() || endedOnComma_; }

  private:
    static bool IsSeparator(wchar_t c) { return c == L',' || c == L'\r' || c == L'\n'; }
    static bool IsSpaceOrLineEnd(wchar_t c) {
        return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
    }
    void SkipSeparator() {
        endedOnComma_ = false;
        if (pos_ >= text_.size()) return;
        if (text_[pos_] == L'\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == L'\n') ++pos_;
        endedOnComma_ = text_[pos_] == L',' && pos_ + 1 == text_.size();
        ++pos_;
    }

    std::wstring_view text_;
    size_t pos_ = 0;
    bool endedOnComma_ = false;
};

bool IsPlainFileName(std::wstring_view name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    return name.find_first_of(L"\\/:*?\"<>|") == name.npos;
}

COLORREF Colour(std::wstring_view text) {
    const auto number = ParseNumber(text);
    if (!number || *number < 0 || *number > 0xFFFFFF ||
        *number != static_cast<long long>(*number)) {
        return 0;
    }
    return static_cast<COLORREF>(*number);
}

// An index is text: control characters other than tabs and line ends mean that the file is
// something else, and none of it is offered as a skin.
bool IsText(std::wstring_view text) {
    return std::none_of(text.begin(), text.end(), [](wchar_t c) {
        return (c < L' ' && c != L'\t' && c != L'\r' && c != L'\n') || (c >= 0x7F && c <= 0x9F);
    });
}

}  // namespace

std::vector<SkinRecord> ParseSkinIndex(std::string_view bytes) {
    const std::wstring text = Decode(bytes);
    if (!IsText(text)) return {};
    FieldReader reader(text);
    std::vector<SkinRecord> skins;
    while (skins.size() < kMaxSkins && !reader.AtEnd()) {
        SkinRecord record;
        record.name = reader.Next();
        if (!reader.HasField()) break;  // an incomplete last record is no skin
        record.picture = reader.Next();
        if (!reader.HasField()) break;
        record.colour = Colour(reader.Next());
        if (IsPlainFileName(record.picture)) skins.push_back(std::move(record));
    }
    return skins;
}

std::vector<SkinRecord> LoadSkinIndex(const std::wstring& path) {
    UniqueHandle file(
        NullIfInvalid(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!file) return {};
    LARGE_INTEGER size{};
    // The index of a thousand skins is a few tens of KB; a huge file is not an index.
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 20)) return {};
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return {};
    }
    bytes.resize(read);
    return ParseSkinIndex(bytes);
}

}  // namespace tarnwick
