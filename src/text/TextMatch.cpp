#include "TextMatch.h"

#include "StoredText.h"

#include <QString>

namespace nax {

namespace {

std::u32string toCodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();)
        out += nextCodePoint(text, at);
    return out;
}

} // namespace

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}
std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

bool startsWithNoCase(std::string_view text, std::size_t at, std::string_view lowerPrefix) {
    if (text.size() - at < lowerPrefix.size()) return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i)
        if (lowerAscii(text[at + i]) != lowerPrefix[i]) return false;
    return true;
}
namespace {

bool isKeyPunctuation(char32_t c) {
    switch (c) {
    case '.':
    case '-':
    case '/':
    case '\\':
    case '*':
    case '[':
    case ']':
    case '(':
    case ')':
    case '`':
    case '&':
    case ',':
    case ':':
    case ';':
    case ' ':
    case '\t':
        return true;
    default:
        return false;
    }
}

} // namespace

std::string MakeSearchKey(std::string_view text) {
    if (isAscii(text)) {
        std::string key;
        key.reserve(text.size());
        for (char c : text)
            if (!isKeyPunctuation(static_cast<unsigned char>(c))) key += lowerAscii(c);
        return key;
    }
    QString kept;
    for (const QChar c : QString::fromUtf8(text.data(), qsizetype(text.size())))
        if (!isKeyPunctuation(c.unicode())) kept += c;
    return kept.toLower().toStdString();
}

namespace {

// One element of a Like pattern: how far it reaches and whether it takes a character.
struct LikeElement {
    std::size_t next = 0; // pattern index after the element
    bool empty = false;   // "[]" matches no character at all
};

template <class Char> bool isDigitChar(Char c) {
    return c >= '0' && c <= '9';
}

// Tests `c` against the element at `at` (not '*'); sets `element` to its extent.
template <class Char>
bool likeElementMatches(std::basic_string_view<Char> pattern, std::size_t at, Char c, LikeElement& element) {
    const Char head = pattern[at];
    element = {at + 1, false};
    if (head == '?') return true;
    if (head == '#') return isDigitChar(c);
    if (head != '[') return head == c;
    const std::size_t close = pattern.find(Char(']'), at + 1);
    if (close == std::basic_string_view<Char>::npos) return head == c; // a lone '[' is literal
    element.next = close + 1;
    std::size_t i = at + 1;
    const bool negate = i < close && pattern[i] == '!';
    i += negate;
    element.empty = i == close && !negate;
    bool found = false;
    for (; i < close; ++i) {
        const bool range = i + 2 < close && pattern[i + 1] == '-';
        found |= range ? (c >= pattern[i] && c <= pattern[i + 2]) : c == pattern[i];
        i += range ? 2 : 0;
    }
    return found != negate;
}

// Greedy matching that backs up only to the latest '*': at most text x pattern steps.
template <class Char>
bool likeMatchImpl(std::basic_string_view<Char> text, std::basic_string_view<Char> pattern) {
    std::size_t t = 0, p = 0;
    std::size_t starP = std::basic_string_view<Char>::npos, starT = 0;
    LikeElement element;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            while (p < pattern.size() && pattern[p] == '*')
                ++p;
            starP = p;
            starT = t;
            continue;
        }
        if (p < pattern.size()) {
            const bool matched = likeElementMatches(pattern, p, text[t], element);
            if (element.empty) {
                p = element.next;
                continue;
            }
            if (matched) {
                ++t;
                p = element.next;
                continue;
            }
        }
        if (starP == std::basic_string_view<Char>::npos) return false;
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size()) { // what is left must match nothing
        if (pattern[p] == '*') {
            ++p;
            continue;
        }
        likeElementMatches(pattern, p, Char(0), element);
        if (!element.empty) return false;
        p = element.next;
    }
    return true;
}

} // namespace

bool likeMatch(std::string_view text, std::string_view pattern) {
    if (isAscii(text) && isAscii(pattern)) return likeMatchImpl(text, pattern);
    const std::u32string wideText = toCodePoints(text), widePattern = toCodePoints(pattern);
    return likeMatchImpl(std::u32string_view(wideText), std::u32string_view(widePattern));
}

std::string ScrambleText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t position = 0;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = nextCodePoint(text, at);
        ++position;
        if (c != U'\r') appendUtf8(out, c + char32_t(3 * (position % 3)));
    }
    return out;
}

} // namespace nax
