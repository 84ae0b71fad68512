#include "production/database_address.h"

#include <array>
#include <vector>

namespace kx::production {
namespace {

constexpr std::string_view kMask = "***";
constexpr std::array<std::string_view, 2> kSchemes{"postgresql://", "postgres://"};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Where the password's characters lie in the address: [begin, end) pairs.
std::vector<std::pair<std::size_t, std::size_t>> PasswordSpans(std::string_view address) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    std::size_t start = 0;
    for (std::string_view scheme : kSchemes) {
        if (address.starts_with(scheme)) start = scheme.size();
    }
    if (start == 0) return spans;
    // user:password@host -- the user part ends at the last '@' before the path or query.
    const std::size_t authorityEnd = std::min(address.find('/', start), address.find('?', start));
    const std::string_view authority = address.substr(start, authorityEnd - start);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        if (const std::size_t colon = authority.find(':'); colon < at) {
            spans.emplace_back(start + colon + 1, start + at);
        }
    }
    // ?...&password=secret&...
    if (const std::size_t query = address.find('?', start); query != std::string_view::npos) {
        std::size_t pos = query + 1;
        while (pos < address.size()) {
            const std::size_t end = std::min(address.find('&', pos), address.size());
            const std::string_view param = address.substr(pos, end - pos);
            if (param.starts_with("password=")) {
                spans.emplace_back(pos + 9, end);
            }
            pos = end + 1;
        }
    }
    return spans;
}

void ReplaceAll(std::string& text, std::string_view what) {
    if (what.empty()) return;
    for (std::size_t pos = text.find(what); pos != std::string::npos;
         pos = text.find(what, pos + kMask.size())) {
        text.replace(pos, what.size(), kMask);
    }
}

}  // namespace

bool IsPostgresAddress(std::string_view text) {
    for (std::string_view scheme : kSchemes) {
        if (text.starts_with(scheme)) return true;
    }
    return false;
}

std::string AddressWithoutPassword(std::string_view address) {
    std::string out(address);
    const auto spans = PasswordSpans(address);
    // From the back, so that the earlier positions still hold.
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
        out.replace(it->first, it->second - it->first, kMask);
    }
    return out;
}

std::string WithoutPasswordOf(std::string_view address, std::string text) {
    for (const auto& [begin, end] : PasswordSpans(address)) {
        const std::string_view raw = address.substr(begin, end - begin);
        ReplaceAll(text, raw);
        ReplaceAll(text, PercentDecoded(raw));
    }
    return text;
}

}  // namespace kx::production
