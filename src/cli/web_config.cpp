#include "cli/web_config.h"

#include <algorithm>
#include <cstdint>

namespace zephyra::cli {
namespace {

// One "key: value" or "key:" line of a block mapping.
struct Entry {
    int Number = 0;
    std::size_t Indent = 0;
    std::string Key;
    std::optional<std::string> Value; // none: "key:" with nothing after it
};

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// A quoted scalar at the front of `s`, which it consumes; nullopt on a bad escape or a missing end quote.
std::optional<std::string> TakeQuoted(std::string_view &s) {
    const char quote = s.front();
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == quote && quote == '\'' && i + 1 < s.size() && s[i + 1] == '\'') {
            out += '\'';
            ++i;
        } else if (c == quote) {
            s.remove_prefix(i + 1);
            return out;
        } else if (c == '\\' && quote == '"') {
            if (++i == s.size())
                return std::nullopt;
            switch (s[i]) {
            case '\\':
            case '"':
            case '/':
                out += s[i];
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            default:
                return std::nullopt;
            }
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

// The rest of a line after a scalar: blank or a comment.
bool OnlyComment(std::string_view rest) {
    rest = TrimBlanks(rest);
    return rest.empty() || rest.front() == '#';
}

// nullopt and *error when the line is not a key with an optional plain or quoted value.
std::optional<Entry> ReadEntry(std::string_view line, int number, std::string *error) {
    Entry e;
    e.Number = number;
    const std::string prefix = "line " + std::to_string(number) + ": ";
    e.Indent = line.find_first_not_of(' ');
    std::string_view s = line.substr(e.Indent);
    if (s.front() == '\t') {
        *error = prefix + "a tab cannot indent YAML; use spaces";
        return std::nullopt;
    }
    if (s.front() == '-' && (s.size() == 1 || s[1] == ' ')) {
        *error = prefix + "a list is not expected here";
        return std::nullopt;
    }
    if (s.front() == '"' || s.front() == '\'') {
        auto key = TakeQuoted(s);
        if (!key || s.empty() || s.front() != ':') {
            *error = prefix + "expected 'key: value'";
            return std::nullopt;
        }
        e.Key = *key;
        s.remove_prefix(1);
    } else {
        std::size_t colon = 0;
        while ((colon = s.find(':', colon)) != std::string_view::npos && colon + 1 < s.size() &&
               s[colon + 1] != ' ')
            ++colon;
        if (colon == std::string_view::npos) {
            *error = prefix + "expected 'key: value'";
            return std::nullopt;
        }
        e.Key = std::string(TrimBlanks(s.substr(0, colon)));
        s.remove_prefix(colon + 1);
    }
    s = TrimBlanks(s);
    if (s.empty() || s.front() == '#')
        return e;
    if (s.front() == '"' || s.front() == '\'') {
        e.Value = TakeQuoted(s);
        if (!e.Value || !OnlyComment(s)) {
            *error = prefix + e.Key + ": the quoted value does not end well";
            return std::nullopt;
        }
        return e;
    }
    if (s == "{}") { // an empty mapping
        return e;
    }
    if (std::string_view("{[|>&*!%@`").find(s.front()) != std::string_view::npos) {
        *error = prefix + e.Key +
                 ": only plain or quoted values are understood here (no flow collections, block "
                 "scalars, anchors or tags)";
        return std::nullopt;
    }
    if (const auto comment = s.find(" #"); comment != std::string_view::npos)
        s = TrimBlanks(s.substr(0, comment));
    e.Value = std::string(s);
    return e;
}

bool IsBcrypt(std::string_view hash) {
    return hash.size() == 60 &&
           (hash.starts_with("$2a$") || hash.starts_with("$2b$") || hash.starts_with("$2y$"));
}

} // namespace

std::optional<WebConfig> ParseWebConfig(std::string_view text, std::string *error) {
    std::vector<Entry> entries;
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view content = TrimBlanks(line);
        if (content.empty() || content.front() == '#' || (entries.empty() && content == "---"))
            continue;
        auto entry = ReadEntry(line, number, error);
        if (!entry)
            return std::nullopt;
        entries.push_back(std::move(*entry));
    }

    WebConfig config;
    bool tlsSection = false, usersSection = false;
    const std::string understood = " (the file holds tls_server_config with cert_file and key_file, and "
                                   "basic_auth_users)";
    for (std::size_t i = 0; i < entries.size();) {
        const Entry &top = entries[i++];
        const std::string at = "line " + std::to_string(top.Number) + ": ";
        if (top.Indent != 0) {
            *error = at + "indented without a section above it";
            return std::nullopt;
        }
        const bool tls = top.Key == "tls_server_config";
        if (!tls && top.Key != "basic_auth_users") {
            *error = at + top.Key + " is not understood by zephyra-cli" + understood;
            return std::nullopt;
        }
        if (std::exchange(tls ? tlsSection : usersSection, true)) {
            *error = at + top.Key + " is given twice";
            return std::nullopt;
        }
        if (top.Value && !top.Value->empty()) {
            *error = at + top.Key + " is a section: its entries go on the lines below, indented";
            return std::nullopt;
        }
        const std::size_t indent = i < entries.size() ? entries[i].Indent : 0;
        std::vector<std::string> seen;
        for (; i < entries.size() && entries[i].Indent > 0; ++i) {
            const Entry &e = entries[i];
            const std::string eat = "line " + std::to_string(e.Number) + ": ";
            if (e.Indent != indent || !e.Value) {
                *error = eat + "only 'key: value' lines go in " + top.Key + ", all indented alike";
                return std::nullopt;
            }
            if (std::find(seen.begin(), seen.end(), e.Key) != seen.end()) {
                *error = eat + e.Key + " is given twice in " + top.Key;
                return std::nullopt;
            }
            seen.push_back(e.Key);
            if (tls) {
                if (e.Key != "cert_file" && e.Key != "key_file") {
                    *error = eat + "tls_server_config: " + e.Key + " is not understood by zephyra-cli" +
                             understood;
                    return std::nullopt;
                }
                (e.Key == "cert_file" ? config.CertFile : config.KeyFile) = *e.Value;
            } else if (e.Key.empty() || e.Key.find(':') != std::string::npos) {
                *error = eat + "a user name is not empty and holds no ':'";
                return std::nullopt;
            } else if (!IsBcrypt(*e.Value)) {
                *error = eat + "the password of " + e.Key + " is not a bcrypt hash ($2y$..., 60 characters)";
                return std::nullopt;
            } else {
                config.Users.emplace_back(e.Key, *e.Value);
            }
        }
    }
    if (tlsSection && (config.CertFile.empty() || config.KeyFile.empty())) {
        *error = "tls_server_config needs both cert_file and key_file";
        return std::nullopt;
    }
    return config;
}

namespace {
int Base64Digit(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

std::optional<std::string> DecodeBase64(std::string_view s) {
    if (s.size() % 4 != 0)
        return std::nullopt;
    std::string out;
    uint32_t bits = 0;
    int held = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '=') {
            // Padding only at the end, at most two.
            if (i + 2 < s.size() || s.find_first_not_of('=', i) != std::string_view::npos)
                return std::nullopt;
            break;
        }
        const int d = Base64Digit(s[i]);
        if (d < 0)
            return std::nullopt;
        bits = (bits << 6) | static_cast<uint32_t>(d);
        if ((held += 6) >= 8) {
            held -= 8;
            out += static_cast<char>((bits >> held) & 0xFF);
        }
    }
    return out;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return (x | 0x20) == (y | 0x20); });
}
} // namespace

std::optional<BasicCredentials> HttpBasicCredentials(std::string_view head) {
    // Header lines follow the request line; the head ends at the first blank line.
    for (std::size_t at = head.find('\n'); at != std::string_view::npos;) {
        const std::size_t next = head.find('\n', at + 1);
        std::string_view line = TrimBlanks(head.substr(at + 1, next - at - 1));
        at = next;
        if (line.empty())
            break;
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || !SameIgnoringCase(line.substr(0, colon), "authorization"))
            continue;
        const std::string_view value = TrimBlanks(line.substr(colon + 1));
        const auto space = value.find(' ');
        if (space == std::string_view::npos || !SameIgnoringCase(value.substr(0, space), "basic"))
            return std::nullopt;
        const auto decoded = DecodeBase64(TrimBlanks(value.substr(space + 1)));
        const auto split = decoded ? decoded->find(':') : std::string::npos;
        if (split == std::string::npos)
            return std::nullopt;
        return BasicCredentials{decoded->substr(0, split), decoded->substr(split + 1)};
    }
    return std::nullopt;
}

bool SameSecret(std::string_view a, std::string_view b) {
    unsigned char differ = a.size() == b.size() ? 0 : 1;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    return differ == 0;
}

} // namespace zephyra::cli
