#include "web/Request.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "base/Cp1252.h"
#include "wire/Wire.h"

namespace termlink::web {

namespace {

constexpr size_t kMaxNameBytes = 255;

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "/price/12%2034" with prefix "/price/": "12 34".
std::optional<std::string> pathRest(std::string_view path, std::string_view prefix) {
    if (!path.starts_with(prefix))
        return std::nullopt;
    return percentDecode(path.substr(prefix.size()), false);
}

Route codeRoute(RouteKind kind, std::string_view query) {
    for (std::string_view key : {"code", "barcode"}) {
        if (auto value = queryValue(query, key))
            return {kind, std::move(*value)};
    }
    return {kind, {}};
}

}  // namespace

std::optional<std::string> percentDecode(std::string_view text, bool query) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = hexDigit(text[i + 1]);
            const int low = hexDigit(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            out.push_back(query && c == '+' ? ' ' : c);
        }
    }
    return out;
}

std::optional<std::string> queryValue(std::string_view query, std::string_view key) {
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query.remove_prefix(amp == std::string_view::npos ? query.size() : amp + 1);
        const size_t eq = pair.find('=');
        if (percentDecode(pair.substr(0, eq), true) != key)
            continue;
        if (eq == std::string_view::npos)
            return std::string();
        return percentDecode(pair.substr(eq + 1), true);
    }
    return std::nullopt;
}

bool isServedName(std::string_view name) {
    const auto plain = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '-' || c == '_';
    };
    return !name.empty() && name.size() <= kMaxNameBytes && name.front() != '.' &&
           std::all_of(name.begin(), name.end(), plain);
}

bool sameOrigin(std::string_view origin, std::string_view host) {
    if (origin.empty())
        return true;
    for (std::string_view scheme : {"http://", "https://"}) {
        if (!origin.starts_with(scheme))
            continue;
        const std::string_view rest = origin.substr(scheme.size());
        return !host.empty() && rest.size() == host.size() &&
               std::equal(rest.begin(), rest.end(), host.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    }
    return false;
}

std::string_view contentType(std::string_view name) {
    static constexpr std::pair<std::string_view, std::string_view> kTypes[] = {
        {".html", "text/html; charset=utf-8"},
        {".htm", "text/html; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".json", "application/json"},
        {".txt", "text/plain; charset=utf-8"},
        {".svg", "image/svg+xml"},
        {".png", "image/png"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".gif", "image/gif"},
        {".bmp", "image/bmp"},
        {".webp", "image/webp"},
        {".ico", "image/x-icon"},
        {".woff2", "font/woff2"},
    };
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) {
        std::string extension(name.substr(dot));
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        for (const auto& [suffix, type] : kTypes)
            if (extension == suffix)
                return type;
    }
    return "application/octet-stream";
}

Route route(std::string_view target) {
    if (target.empty() || target.front() != '/')
        return {RouteKind::BadRequest, {}};
    const size_t mark = target.find('?');
    const std::string_view path = target.substr(0, mark);
    const std::string_view query =
        mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
    if (path == "/")
        return {RouteKind::Kiosk, {}};
    if (path == "/ws")
        return {RouteKind::Socket, {}};
    if (path == "/welcome")
        return {RouteKind::Welcome, {}};
    if (path == "/status" || path == "/metrics" || path == "/healthz")
        return {RouteKind::ProgramPage, std::string(path)};
    if (path == "/price")
        return codeRoute(RouteKind::Price, query);
    if (path == "/api/price")
        return codeRoute(RouteKind::ApiPrice, query);
    if (path.starts_with("/price/")) {
        auto code = pathRest(path, "/price/");
        if (!code)
            return {RouteKind::BadRequest, {}};
        return {RouteKind::Price, std::move(*code)};
    }
    const bool inTemplates = path.starts_with("/templates/");
    const auto name = pathRest(path, inTemplates ? "/templates/" : "/");
    if (!name)
        return {RouteKind::BadRequest, {}};
    if (isServedName(*name))
        return {inTemplates ? RouteKind::TemplateFile : RouteKind::Asset, *name};
    return {RouteKind::NotFound, {}};
}

std::optional<std::string> scannedCode(std::string_view utf8) {
    auto code = wire::scannedCode(tarifon::cp1252::fromUtf8(utf8));
    if (code && code->find('\0') != std::string::npos)
        return std::nullopt;
    return code;
}

}  // namespace termlink::web
