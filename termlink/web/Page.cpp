#include "web/Page.h"

#include "base/HtmlEscape.h"

namespace termlink::web {

namespace {

// Longer names are not looked for, so a template of many braces costs no more than its size.
constexpr size_t kMaxPlaceholder = 64;

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

std::string fillTemplate(std::string_view text, const Placeholders& values) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const size_t open = text.find("{{");
        if (open == std::string_view::npos) {
            out += text;
            break;
        }
        out += text.substr(0, open);
        const std::string_view inside = text.substr(open + 2, kMaxPlaceholder + 2);
        const size_t close = inside.find("}}");
        const std::string_view name = close == std::string_view::npos
                                          ? std::string_view()
                                          : trimBlanks(inside.substr(0, close));
        const std::string_view* value = nullptr;
        for (const auto& [key, v] : values)
            if (close != std::string_view::npos && key == name)
                value = &v;
        if (value) {
            out += tarifon::htmlEscape(*value);
            text.remove_prefix(open + 2 + close + 2);
        } else {
            // Not ours: keep the first brace and look again from the next.
            out += '{';
            text.remove_prefix(open + 1);
        }
    }
    return out;
}

}  // namespace termlink::web
