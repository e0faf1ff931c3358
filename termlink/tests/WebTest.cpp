// The web side's pure parts: request targets, codes, templates and the kiosk page's JSON.
#include <gtest/gtest.h>

#include <boost/json.hpp>

#include "config/NetConfig.h"
#include "termlink/Registry.h"
#include "termlink/Settings.h"
#include "web/Messages.h"
#include "web/Page.h"
#include "web/Request.h"

using namespace termlink;
using web::RouteKind;
namespace json = boost::json;

TEST(WebRequest, RoutesTargetsAndNeverLeavesTheServedFolders) {
    const struct {
        const char* target;
        RouteKind kind;
        const char* value;
    } cases[] = {
        {"/", RouteKind::Kiosk, ""},
        {"/kiosk.js", RouteKind::Asset, "kiosk.js"},
        {"/ws", RouteKind::Socket, ""},
        {"/welcome", RouteKind::Welcome, ""},
        {"/price?code=789%2B1+2", RouteKind::Price, "789+1 2"},
        {"/price?x=1&barcode=55&code=66", RouteKind::Price, "66"},  // code first
        {"/price?barcode=55", RouteKind::Price, "55"},
        {"/price", RouteKind::Price, ""},
        {"/price/7891+%C3%A7", RouteKind::Price, "7891+\xC3\xA7"},  // a path keeps its '+'
        {"/price/a%2F..%2Fb", RouteKind::Price, "a/../b"},          // a code, never a path
        {"/api/price?code=%3Cb%3E", RouteKind::ApiPrice, "<b>"},
        {"/templates/logo.png", RouteKind::TemplateFile, "logo.png"},
        {"/templates/", RouteKind::NotFound, ""},
        {"/templates/..%2F..%2Fetc%2Fpasswd", RouteKind::NotFound, ""},
        {"/../etc/passwd", RouteKind::NotFound, ""},
        {"/%2e%2e/x", RouteKind::NotFound, ""},
        {"/.hidden", RouteKind::NotFound, ""},
        {"/web/index.html", RouteKind::NotFound, ""},
        {"/a%zz", RouteKind::BadRequest, ""},
        {"/price?code=%4", RouteKind::Price, ""},  // does not decode: no code
        {"http://host/", RouteKind::BadRequest, ""},
    };
    for (const auto& c : cases) {
        const web::Route route = web::route(c.target);
        EXPECT_EQ(route.kind, c.kind) << c.target;
        EXPECT_EQ(route.value, c.value) << c.target;
    }
}

TEST(WebRequest, CutsCodesAsATerminalsAndChecksOrigins) {
    const struct {
        std::string utf8;
        std::optional<std::string> code;
    } codes[] = {
        {"7891000100103\r\n", "7891000100103"},
        {" 12 \t", " 12"},
        {"Caf\xC3\xA9", "Caf\xE9"},  // Windows-1252 towards the program
        {"\xE2\x82\xAC\xE4\xB8\xAD", "\x80?"},
        {std::string(10000, '7'), std::string(1022, '7')},
        {std::string(1021, '7') + " 8", std::string(1021, '7')},  // no blank left by the cut
        {"\r\n", std::nullopt},
        {std::string("1\0"
                     "2",
                     3),
         std::nullopt},
    };
    for (const auto& c : codes)
        EXPECT_EQ(web::scannedCode(c.utf8), c.code) << c.utf8.substr(0, 20);

    EXPECT_TRUE(web::sameOrigin("", "10.0.0.5:48780"));
    EXPECT_TRUE(web::sameOrigin("http://Tarifon:48780", "tarifon:48780"));
    EXPECT_FALSE(web::sameOrigin("http://evil.example", "10.0.0.5:48780"));
    EXPECT_FALSE(web::sameOrigin("http://10.0.0.5:4878", "10.0.0.5:48780"));
    EXPECT_FALSE(web::sameOrigin("null", "10.0.0.5:48780"));
}

TEST(WebPage, FillsPlaceholdersEscapedAndLeavesTheRest) {
    const web::Placeholders values = {{"code", "<script>\"'&"}, {"price", "{{code}}"}};
    const struct {
        const char* text;
        const char* filled;
    } cases[] = {
        {"<p>{{code}}</p>", "<p>&lt;script&gt;&quot;&#39;&amp;</p>"},
        {"<a title='{{ code }}'>", "<a title='&lt;script&gt;&quot;&#39;&amp;'>"},
        {"{{price}}", "{{code}}"},  // a value is never searched again
        {"{{unknown}} {{code", "{{unknown}} {{code"},
        {"{{{code}}}", "{&lt;script&gt;&quot;&#39;&amp;}"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(web::fillTemplate(c.text, values), c.filled) << c.text;
}

TEST(WebMessages, ParsesWhatAPageSendsAndRefusesTheRest) {
    const struct {
        const char* text;
        const char* error;  // nullptr: accepted
    } cases[] = {
        {R"({"type":"scan","code":"789","seq":4294967295})", nullptr},
        {R"({"type":"scan","code":"789"})", nullptr},
        {R"({"type":"alive","extra":[1]})", nullptr},
        {R"({"type":"response","code":390,"second":-5})", nullptr},
        {R"({"type":"netConfig","text1":"a","time":255})", nullptr},
        {R"({"type":"updConfig","terminalName":"Caixa 3"})", nullptr},
        {R"({"type":"scan","seq":1})", "'code' is missing"},
        {R"({"type":"scan","code":7})", "'code' is not a text"},
        {R"({"type":"scan","code":"1","seq":-1})", "'seq' must be a whole number"},
        {R"({"type":"response","code":1.5})", "'code' must be a whole number"},
        {R"({"type":"response"})", "'code' is missing"},
        {R"({"type":"netConfig","time":256})", "'time' must be a whole number"},
        {R"({"type":"reboot"})", "unknown message type 'reboot'"},
        {R"(["scan"])", "not a JSON object"},
        {R"({"type":"alive","a":{"b":{"c":1}}})", "not JSON"},
        {"{\"type\":\"alive\"", "not JSON"},
        {"{\"type\":\"scan\",\"code\":\"\xFF\"}", "not JSON"},
    };
    for (const auto& c : cases) {
        const auto m = web::parsePageMessage(c.text);
        EXPECT_EQ(m.ok(), c.error == nullptr) << c.text;
        if (!m.ok() && c.error) {
            EXPECT_EQ(m.error().rfind(c.error, 0), 0u) << m.error();
        }
    }
    const auto scan = std::get<web::PageScan>(
        *web::parsePageMessage(R"({"type":"scan","code":"7\r\n","seq":4294967295})"));
    EXPECT_EQ(scan.code, "7\r\n");
    EXPECT_EQ(scan.seq, 4294967295u);
}

TEST(WebMessages, TellsThePageWhatTheProgramSends) {
    const auto object = [](const wire::Message& m) {
        auto text = web::pageMessage(m);
        return text ? json::parse(*text).as_object() : json::object{{"unsent", int(text.error())}};
    };
    // Windows-1252 from the program, UTF-8 to the page.
    EXPECT_EQ(object(wire::Price{7, "Caf\xE9 \"<x>\"", "R$1,00"}),
              (json::object{{"type", "price"},
                            {"seq", 7},
                            {"description", "Caf\xC3\xA9 \"<x>\""},
                            {"price", "R$1,00"}}));
    EXPECT_EQ(object(wire::DisplayMsg{"Oferta", "", 4, 1}),
              (json::object{{"type", "message"}, {"line1", "Oferta"}, {"line2", ""}, {"time", 4}}));
    EXPECT_EQ(object(wire::Command{wire::Type::CheckLive}), (json::object{{"type", "checkLive"}}));
    EXPECT_EQ(object(wire::Command{wire::Type::GetParam}).at("unsent"),
              int(web::Unsent::NotForBrowsers));

    const wire::Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 1};
    auto picture =
        object(wire::Picture{128, 64, 3, 2, 5, 1, png, wire::PictureKind::UploadPicture});
    EXPECT_EQ(picture.at("kind"), "uploadPicture");
    EXPECT_EQ(picture.at("mime"), "image/png");
    EXPECT_EQ(picture.at("data"), "iVBORw0KGgoAAQ==");
    const wire::Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    EXPECT_EQ(object(wire::Picture{128, 64, 3, 2, 5, 1, tiff, wire::PictureKind::UploadPicture})
                  .at("unsent"),
              int(web::Unsent::UnshowablePicture));
    // Marks of an upload go out without a picture a browser cannot show.
    EXPECT_FALSE(object(wire::Picture{0, 0, 255, 0, 0, 0, {}, wire::PictureKind::UploadClear})
                     .contains("data"));

    // A network write reaches the page as texts; its reply carries the connection's facts.
    tarifon::NetConfig net{"10.0.0.1", "10.0.0.9", "255.0.0.0", "Ol\xC3\xA1", "b", "c", "d", 7};
    const auto record = tarifon::encodeNetConfig(1, net);
    const auto set = object(
        wire::SetConfig{wire::Type::SetNetConfig, wire::Bytes(record.begin() + 4, record.end())});
    EXPECT_EQ(set.at("text1"), "Ol\xC3\xA1");
    EXPECT_EQ(set.at("time"), 7);
    const auto reply =
        web::netConfigReply({{"x", "y", "z", "w"}, 9}, "192.168.0.2", "192.168.0.77");
    std::array<uint8_t, TERMLINK_NET_CONFIG_SIZE> back{};
    std::copy(reply.begin(), reply.end(), back.begin() + 4);
    EXPECT_EQ(tarifon::decodeNetConfig(back),
              (tarifon::NetConfig{"192.168.0.2", "192.168.0.77", "", "x", "y", "z", "w", 9}));
}

TEST(WebRegistry, RequestsGetValuesPastTheTableAndTheirAddressOutlivesThem) {
    Registry r;
    const auto listed = r.add(0x0100007F, 2, nullptr, "127.0.0.1");
    const auto first = r.addTransient("192.168.0.8", nullptr);
    const auto second = r.addTransient("::1", nullptr);
    ASSERT_TRUE(listed && first && second);
    EXPECT_EQ(*first, 1024);
    EXPECT_EQ(*second, 1025);
    EXPECT_EQ(r.count(), 1u);
    EXPECT_EQ(r.model(*first), TERMLINK_MODEL_WEB_CHECKER);
    r.pushScan(*first, 0, "123");
    r.remove(*first);
    EXPECT_FALSE(r.takeScan());  // its scan went with it
    EXPECT_EQ(r.addressText(*first), "192.168.0.8");
    EXPECT_EQ(r.addressText(*second), "::1");
    EXPECT_EQ(r.addTransient("10.0.0.1", nullptr), 1026);  // rotation: 1024 is not reused yet
    EXPECT_EQ(r.addressText(99), std::nullopt);
}

TEST(WebSettings, ReadsTheWebSectionAndKeepsDefaultsForBadValues) {
    const auto s = parseSettings(
        "[web]\nenabled = 0\naddress = 127.0.0.1\nport = 8080\ntemplates = /srv/t\n"
        "answer_timeout = 3\n[WEB]\nport = 70000\nanswer_timeout = 0\nenabled = yes\nsize = 1\n");
    EXPECT_FALSE(s.config.web.enabled);
    EXPECT_EQ(s.config.web.address, "127.0.0.1");
    EXPECT_EQ(s.config.web.port, 8080);
    EXPECT_EQ(s.config.web.templates, "/srv/t");
    EXPECT_EQ(s.config.web.answerTimeout, std::chrono::seconds(3));
    EXPECT_EQ(s.problems.size(), 4u);
    WebConfig web;
    resolveWebFolders(web, "/opt/tarifon");
    EXPECT_EQ(web.assets, "/opt/tarifon/web");
    EXPECT_EQ(web.templates, "/opt/tarifon/web/templates");
}
