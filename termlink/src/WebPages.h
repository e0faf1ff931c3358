#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "termlink/ServerConfig.h"
#include "web/Page.h"

// The files the web side serves: the kiosk page's own (web/ beside the program) and the
// shop's templates folder, with the pages filled from its templates.  Files are read at
// each request, so an edited template shows at once.  Network thread only.
namespace termlink {

enum class PageTemplate { Welcome, Price, NotFound, Error };

class WebPages {
public:
    explicit WebPages(const WebConfig& config) : m_config(config) {}

    // The template filled in; a template that cannot be read gives a plain built-in page,
    // and the operator is told once per template.
    std::string page(PageTemplate which, const web::Placeholders& values);
    // A plain name (web::isServedName) in the kiosk page's folder or the templates folder;
    // nullopt when it is not a readable file of at most kMaxServedFileBytes.
    std::optional<std::string> asset(std::string_view name) const;
    std::optional<std::string> templateFile(std::string_view name) const;

private:
    const WebConfig& m_config;
    std::set<PageTemplate> m_told;
};

}  // namespace termlink
