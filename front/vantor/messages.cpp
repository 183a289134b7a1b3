#include "front/vantor/messages.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace vantor_cli {

namespace {

// The length of the UTF-8 character starting at `at`, or 0 when the bytes
// there are not one (a stray continuation byte, an overlong form, a
// surrogate, beyond U+10FFFF, or cut short).
std::size_t utf8_length(const std::string &text, std::size_t at) {
    const auto byte = [&text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint32_t smallest = 0;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1FU, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0FU, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07U, smallest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0U) != 0x80U) {
            return 0;
        }
        code = (code << 6U) | (byte(at + i) & 0x3FU);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < smallest || surrogate || code > 0x10FFFF ? 0 : length;
}

std::string escaped_byte(std::uint8_t byte) {
    switch (byte) {
        case '\n':
            return "\\n";
        case '\t':
            return "\\t";
        case '\r':
            return "\\r";
        default:
            break;
    }
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", static_cast<unsigned>(byte));
    return text;
}

// Letters added, dropped, changed or two neighbours swapped to make `a` into
// `b` (optimal string alignment distance).
std::size_t edit_distance(const std::string &a, const std::string &b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

// Words longer than this are not compared: the table grows as the square.
constexpr std::size_t kLongestComparedWord = 64;
constexpr std::size_t kNearestDistance = 2;

}  // namespace

std::string echoed(const std::string &text) {
    std::string out;
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++characters) {
        if (characters == kLongestEcho) {
            return out + "\u2026";
        }
        const std::size_t length = utf8_length(text, at);
        const auto byte = static_cast<std::uint8_t>(text[at]);
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            out += escaped_byte(byte);
            ++at;
        } else {
            out.append(text, at, length);
            at += length;
        }
    }
    return out;
}

bool is_utf8(const std::string &text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8_length(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string quoted(const std::string &text) { return "'" + echoed(text) + "'"; }

std::string nearest_word(const std::string &word, const std::vector<std::string> &known) {
    if (word.empty() || word.size() > kLongestComparedWord) {
        return "";
    }
    std::string best;
    std::size_t best_distance = kNearestDistance + 1;
    for (const std::string &candidate : known) {
        const bool prefix = candidate.rfind(word, 0) == 0;
        const std::size_t distance = prefix ? 1 : edit_distance(word, candidate);
        if (distance < best_distance) {
            best = candidate;
            best_distance = distance;
        }
    }
    return best;
}

// Text broken into lines of at most `width` characters at spaces;
// existing line ends are kept.
std::string wrapped(const std::string &text, std::size_t width) {
    std::string out;
    std::size_t line_start = 0;
    std::size_t last_space = std::string::npos;
    for (const char c : text) {
        out += c;
        if (c == '\n') {
            line_start = out.size();
            last_space = std::string::npos;
        } else if (c == ' ') {
            last_space = out.size() - 1;
        }
        if (out.size() - line_start > width && last_space != std::string::npos) {
            out[last_space] = '\n';
            line_start = last_space + 1;
            last_space = std::string::npos;
        }
    }
    return out;
}

}  // namespace vantor_cli
