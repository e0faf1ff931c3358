#pragma once

#include <optional>
#include <string>
#include <string_view>

// What a web request asks for, read from its target alone: which page, file or code.
// Pure functions over text; the HTTP side (termlink/src) acts on the result.
namespace termlink::web {

// Percent-decoding; in a query '+' also stands for a blank.  nullopt for a '%' that is
// not followed by two hexadecimal digits.
std::optional<std::string> percentDecode(std::string_view text, bool query);

// The value of the first `key=value` of a query ("a=1&b=2") whose key decodes to `key`;
// nullopt when there is none or it does not decode.
std::optional<std::string> queryValue(std::string_view query, std::string_view key);

enum class RouteKind {
    Kiosk,         // the kiosk page
    Asset,         // one of the kiosk page's files: `value` is its name
    Socket,        // the kiosk page's WebSocket
    Price,         // a price page for the code in `value` (UTF-8, not yet cleaned)
    ApiPrice,      // the same answer as JSON
    Welcome,       // the welcome page
    TemplateFile,  // a file of the template folder (pictures of the pages): `value`
    ProgramPage,   // a page the program writes (status, metrics, health): `value` is the path
    NotFound,      // nothing of ours
    BadRequest,    // a target that does not decode
};

struct Route {
    RouteKind kind = RouteKind::NotFound;
    std::string value;
};

// Price requests: /price?code=, /price?barcode=, /price/<code>, /api/price?code= (or
// barcode=); without a code their value is empty.  File names are plain names of one path segment
// (letters, digits, '.', '-',
// '_', not starting with '.'), so no target can reach outside the served folders.
Route route(std::string_view target);

// A code as a terminal's scan gives it (wire::scannedCode) from UTF-8 made Windows-1252
// (what the code page lacks becomes '?').  nullopt when nothing is left or it holds a
// zero byte.
std::optional<std::string> scannedCode(std::string_view utf8);

// Whether `name` is a plain file name that may be served (see route()).
bool isServedName(std::string_view name);
// Whether a WebSocket's Origin header (absent: empty) names the host the request was sent
// to (its Host header), so that no page of another site can open a kiosk terminal.
bool sameOrigin(std::string_view origin, std::string_view host);
// The Content-Type of a served file, by its name's extension.
std::string_view contentType(std::string_view name);

}  // namespace termlink::web
