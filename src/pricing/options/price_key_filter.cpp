#include "pricing/options/price_key_filter.h"

#include "pricing/numbers.h"

#include <algorithm>
#include <cmath>

namespace fapkalk {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

bool IsScalarValue(char32_t c) {
    return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

void ClampToText(LineEditState& field) {
    const std::size_t size = field.text.size();
    field.caret = std::min(field.caret, size);
    field.selectionStart = std::min(field.selectionStart, size);
    field.selectionLength = std::min(field.selectionLength, size - field.selectionStart);
}

void RemoveSelection(LineEditState& field) {
    field.text.erase(field.selectionStart, field.selectionLength);
    field.caret = field.selectionStart;
    field.selectionLength = 0;
}

} // namespace

bool RefusesDigits(std::string_view text) {
    double value = 0;
    try {
        value = ParsePrice(text);
    } catch (const FloatError&) {
        return true;
    }
    const double tenfold = value * 10;
    if (!std::isfinite(tenfold))
        return true;
    // The part below the first decimal, with the sign of the value: a value of 0
    // or below never refuses.
    const double fraction = tenfold - std::trunc(tenfold);
    return fraction > 0;
}

bool FilterPriceKey(std::string_view text, char32_t& key) {
    bool pass = true;
    if (key == U',')
        key = U'.';
    if (key == U'.' && text.find('.') != std::string_view::npos)
        key = kBackspaceKey;
    if (key >= U'0' && key <= U'9' && RefusesDigits(text))
        pass = false;
    return pass;
}

bool FilterPriceKey(std::u16string_view text, char32_t& key) {
    return FilterPriceKey(std::string_view(ToUtf8(text)), key);
}

void LineEditState::SelectAll() {
    selectionStart = 0;
    selectionLength = text.size();
    caret = text.size();
}

void LineEditState::PlaceCaret(std::size_t position) {
    caret = std::min(position, text.size());
    selectionStart = caret;
    selectionLength = 0;
}

void ApplyBackspace(LineEditState& field) {
    ClampToText(field);
    if (field.selectionLength > 0) {
        RemoveSelection(field);
        return;
    }
    if (field.caret == 0)
        return;
    std::size_t from = field.caret - 1;
    if (from > 0 && IsLowSurrogate(field.text[from]) && IsHighSurrogate(field.text[from - 1]))
        --from;
    field.text.erase(from, field.caret - from);
    field.caret = from;
    field.selectionStart = from;
}

void ApplyKey(LineEditState& field, char32_t key) {
    if (key == kBackspaceKey) {
        ApplyBackspace(field);
        return;
    }
    if (key < 0x20 || key == 0x7F || !IsScalarValue(key))
        return;
    ClampToText(field);
    if (field.selectionLength > 0)
        RemoveSelection(field);
    std::u16string inserted;
    AppendUtf16(inserted, key);
    field.text.insert(field.caret, inserted);
    field.caret += inserted.size();
    field.selectionStart = field.caret;
}

bool TypePriceKey(LineEditState& field, char32_t key) {
    const bool pass = FilterPriceKey(std::u16string_view(field.text), key);
    if (pass)
        ApplyKey(field, key);
    return pass;
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            const char32_t high = c - 0xD800;
            const char32_t low = text[i + 1] - 0xDC00;
            AppendUtf8(out, 0x10000 + (high << 10) + low);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

std::u16string ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond U+10FFFF are not text.
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid && (c < kSmallest[length] || !IsScalarValue(c)))
            valid = false;
        if (!valid) {
            out += static_cast<char16_t>(kReplacement);
            ++i;
            continue;
        }
        AppendUtf16(out, c);
        i += length;
    }
    return out;
}

} // namespace fapkalk
