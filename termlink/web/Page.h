#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The pages a web price checker shows are the shop's own templates: HTML files with
// placeholders ({{code}}, {{description}}, {{price}}) that each answer fills in.
namespace termlink::web {

using Placeholders = std::vector<std::pair<std::string_view, std::string_view>>;

// The template with every {{name}} (blanks inside the braces allowed) whose name is in
// `values` replaced by its value, HTML-escaped; other braces are left as they stand.  The
// template is read once, from left to right: a value is never searched for placeholders.
std::string fillTemplate(std::string_view text, const Placeholders& values);

}  // namespace termlink::web
