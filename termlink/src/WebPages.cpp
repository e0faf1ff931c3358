#include "termlink/WebPages.h"

#include <filesystem>
#include <fstream>

#include "termlink/Limits.h"
#include "termlink/Report.h"
#include "web/Request.h"

namespace termlink {

namespace {

struct Builtin {
    const char* file;
    const char* html;
};

// What a page says when its template is missing: the same placeholders, no style.
Builtin builtin(PageTemplate which) {
    switch (which) {
        case PageTemplate::Welcome:
            return {"welcome.html",
                    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Tarifon</title>"
                    "</head><body><h1>Consulte o pre\xC3\xA7o aqui</h1></body></html>\n"};
        case PageTemplate::Price:
            return {"price.html",
                    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>{{price}}</title>"
                    "</head><body><h1>{{description}}</h1><h2>{{price}}</h2><p>{{code}}</p>"
                    "</body></html>\n"};
        case PageTemplate::NotFound:
            return {"notfound.html",
                    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Tarifon</title>"
                    "</head><body><h1>Produto n\xC3\xA3o encontrado</h1><p>{{code}}</p>"
                    "</body></html>\n"};
        case PageTemplate::Error:
            break;
    }
    return {"error.html",
            "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Tarifon</title>"
            "</head><body><h1>Consulta indispon\xC3\xADvel</h1><p>{{code}}</p></body></html>\n"};
}

std::optional<std::string> readFile(const std::string& folder, std::string_view name) {
    if (folder.empty() || !web::isServedName(name))
        return std::nullopt;
    const std::filesystem::path path = std::filesystem::path(folder) / std::string(name);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxServedFileBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    // One byte more than the size, to see a file that grew meanwhile.
    std::string text(size + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad() || static_cast<size_t>(in.gcount()) > size)
        return std::nullopt;
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

}  // namespace

std::string WebPages::page(PageTemplate which, const web::Placeholders& values) {
    const Builtin fallback = builtin(which);
    auto text = readFile(m_config.templates, fallback.file);
    if (!text) {
        if (m_told.insert(which).second)
            report("web: cannot read the template " + m_config.templates + "/" + fallback.file +
                   "; a plain page stands in for it (told once)");
        text = fallback.html;
    }
    return web::fillTemplate(*text, values);
}

std::optional<std::string> WebPages::asset(std::string_view name) const {
    return readFile(m_config.assets, name);
}

std::optional<std::string> WebPages::templateFile(std::string_view name) const {
    return readFile(m_config.templates, name);
}

}  // namespace termlink
