#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTemporaryFile>

#include "ProgramTest.h"
#include "report/NotFoundCsv.h"
#include "support/FirebirdServer.h"
#include "support/TermsimProcess.h"

namespace {

using Lines = std::vector<std::string>;

// How a run reaches its database, and which mode answers the scans.
struct Setup {
    bool highVolume;
    bool server;  // a private Firebird server, else the file through the embedded engine
};

void PrintTo(const Setup& setup, std::ostream* out) {
    *out << (setup.highVolume ? "high volume" : "default")
         << (setup.server ? ", server" : ", embedded");
}

std::string setupName(const ::testing::TestParamInfo<Setup>& info) {
    return std::string(info.param.highVolume ? "HighVolume" : "Default") +
           (info.param.server ? "Server" : "Embedded");
}

// The price tests run in both modes, on the database file and through a server.
class PriceLookupE2e : public ProgramTest, public ::testing::WithParamInterface<Setup> {
protected:
    // The demo database, and a de501.ini naming it the way this run reaches it, followed
    // by `moreSettings`.
    void addDatabase(const QString& moreSettings = {}) {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(ProgramFolder::makeDemoDatabase(m_folder.demoDatabasePath()));
        if (GetParam().server)
            m_server = std::make_unique<tarifon::FirebirdServer>();
        writeSettings(m_folder.demoDatabasePath(), moreSettings);
    }
    // A de501.ini naming `file` the way this run reaches it.
    void writeSettings(const QString& file, const QString& moreSettings = {}) {
        m_folder.writeSettings(
            QStringLiteral("[CAMINHO]\nbd=") + (m_server ? m_server->databaseName(file) : file) +
            (GetParam().highVolume ? QStringLiteral("\n[PERFORMANCE]\nhigh_volume=1\n")
                                   : QStringLiteral("\n")) +
            moreSettings);
    }
    QString databaseName() const {
        return m_server ? m_server->databaseName(m_folder.demoDatabasePath())
                        : m_folder.demoDatabasePath();
    }

    std::unique_ptr<tarifon::FirebirdServer> m_server;
};

INSTANTIATE_TEST_SUITE_P(Modes, PriceLookupE2e,
                         ::testing::Values(Setup{false, false}, Setup{true, false},
                                           Setup{false, true}, Setup{true, true}),
                         setupName);

// termsim's line for a found code: code, description and price text, tab-separated.
std::string found(const std::string& code, const std::string& description,
                  const std::string& price) {
    return code + '\t' + description + '\t' + price;
}

std::string notFound(const std::string& code) {
    return code + "\tnot found";
}

// A web price checker's request: the whole response, status line first; empty on failure.
std::string httpGet(uint16_t port, const std::string& target) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval timeout{20, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string response;
    const std::string request =
        "GET " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
        char chunk[4096];
        for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
            response.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return response;
}

const std::string kLeite = "Leite Condensado Moça 395g";
const std::string kAcucar = "Açúcar Refinado União 1kg";

}  // namespace

// Descriptions travel in Windows-1252 and come back as the same letters; prices
// carry the prefix and the Brazilian separators, rounded half to even; a
// description longer than the terminal's 100 bytes is cut, not overrun.
TEST_P(PriceLookupE2e, AnswersFoundCodesWithDescriptionAndBrazilianPrice) {
    ASSERT_NO_FATAL_FAILURE(addDatabase());
    ASSERT_NO_FATAL_FAILURE(start());

    const auto run = runTermsim(scanArguments(
        server(),
        {"7891000100103", "7891910000197", "7896000005298", "7893200500110", "2000001000182",
         "2000001000250", "2000001000632", "7896000004512", "7898215151784", "7898215151791"}));

    const QString kit = QStringLiteral(
        "Kit Churrasco Completo com Picanha Bovina Resfriada, Linguiça Toscana, Coração de "
        "Frango, Pão de Alho e Farofa Pronta Temperada 3kg");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(
        run.lines,
        (Lines{
            found("7891000100103", kLeite, "R$6,99"),
            found("7891910000197", kAcucar, "R$4,79"),
            found("7896000005298", "Panela de Pressão Elétrica Inox 6L", "R$1.234,50"),
            found("7893200500110", "Smart TV LED 50 Polegadas 4K UHD com Wi-Fi", "R$2.899,00"),
            found("2000001000182", "Cebola Nacional kg", "R$2,34"),
            found("2000001000250", "Batata Inglesa kg", "R$2,36"),
            found("2000001000632", "Pão Francês kg", "R$0,00"),
            // Every one of the first 100 letters is one byte in Windows-1252.
            found("7896000004512", kit.left(100).toStdString(), "R$189,90"),
            found("7898215151784", "Leite UHT Integral Piracanjuba 1L", "R$4,99"),
            found("7898215151791", "Leite UHT Integral Piracanjuba 1L", "R$4,99"),
        }));
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}

// Codes that are not plain numbers never become part of the statement: SQL in a
// code finds nothing and changes nothing. A plain number is compared as a number,
// so a code stored with leading zeros is found without them.
TEST_P(PriceLookupE2e, AnswersUnknownAndInjectedCodesNotFoundAndFindsLeadingZeroCodes) {
    ASSERT_NO_FATAL_FAILURE(addDatabase());
    ASSERT_NO_FATAL_FAILURE(start());

    const auto run = runTermsim(scanArguments(
        server(),
        {"7890000000000", "Café", "1 OR 1=1", "7891000100103 OR 1=1", "' OR ''='",
         "1; DELETE FROM PDV_CODIGOBARRAS", "0007891234567", "7891234567", "7891000100103"}));

    const std::string ovos = "Ovos Brancos Grandes Granja Mantiqueira Dúzia";
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.lines, (Lines{
                             notFound("7890000000000"),
                             notFound("Café"),
                             notFound("1 OR 1=1"),
                             notFound("7891000100103 OR 1=1"),
                             notFound("' OR ''='"),
                             notFound("1; DELETE FROM PDV_CODIGOBARRAS"),
                             found("0007891234567", ovos, "R$11,90"),
                             found("7891234567", ovos, "R$11,90"),
                             found("7891000100103", kLeite, "R$6,99"),
                         }));
    EXPECT_EQ(stop(SIGTERM), "exit 0");
    const QString database = databaseName();
    EXPECT_EQ(ProgramFolder::countRows(database, QStringLiteral("PDV_CODIGOBARRAS")), 45);
    EXPECT_EQ(ProgramFolder::countRows(database, QStringLiteral("PDV_ITENSRESUMIDO")), 44);

    // Each mode counts what it answered "not found".
    std::ifstream file(m_folder.filePath(QStringLiteral("notfound.csv")).toStdString());
    tarifon::NotFoundTable counted;
    ASSERT_TRUE(
        tarifon::readNotFoundCsv(std::string(std::istreambuf_iterator<char>(file), {}), counted));
    Lines codes;
    for (const auto& entry : counted.entries())
        codes.push_back(entry.code);
    std::ranges::sort(codes);
    EXPECT_EQ(codes, (Lines{"' OR ''='", "1 OR 1=1", "1; DELETE FROM PDV_CODIGOBARRAS",
                            "7890000000000", "7891000100103 OR 1=1", "Café"}));
}

// A web price checker's scan takes a terminal's road, in both modes: found, not found, and a
// lookup that fails, which is an error page (503), never "not found".  The not-found report
// names the checker by its address.
TEST_P(PriceLookupE2e, AnswersAWebPriceCheckerAndReportsItByItsAddress) {
    const struct {
        bool databaseUp;
        std::string target, status, body;
    } cases[] = {
        {true, "/api/price?code=7891000100103", "200 OK",
         R"({"code":"7891000100103","found":true,"description":")" + kLeite +
             R"(","price":"R$6,99"})"},
        {true, "/price/7890000000000", "200 OK", "<p>7890000000000</p>"},
        {false, "/price?barcode=7891000100103", "503 Service Unavailable",
         "<h1>Consulta indisponível"},
        {false, "/api/price?code=7890000000000", "503 Service Unavailable",
         R"({"code":"7890000000000","error":")"},
    };
    ASSERT_NO_FATAL_FAILURE(addDatabase());
    for (const bool up : {true, false}) {
        if (!up) {
            ASSERT_EQ(stop(SIGTERM), "exit 0");
            std::ifstream file(m_folder.filePath(QStringLiteral("notfound.csv")).toStdString());
            tarifon::NotFoundTable counted;
            ASSERT_TRUE(tarifon::readNotFoundCsv(
                std::string(std::istreambuf_iterator<char>(file), {}), counted));
            ASSERT_EQ(counted.entries().size(), 1u);
            EXPECT_EQ(counted.entries()[0].terminals, Lines{"127.0.0.1"});
            writeSettings(m_folder.filePath(QStringLiteral("missing.fdb")));
        }
        ASSERT_NO_FATAL_FAILURE(start());
        const uint16_t web = m_program->webPort();
        ASSERT_NE(web, 0);
        for (const auto& c : cases) {
            if (c.databaseUp != up)
                continue;
            const std::string response = httpGet(web, c.target);
            EXPECT_EQ(response.substr(0, 9 + c.status.size()), "HTTP/1.1 " + c.status) << response;
            EXPECT_NE(response.find(c.body), std::string::npos) << c.target << '\n' << response;
        }
    }
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}

// Price checkers and kiosk pages under load are answered as terminals are.
TEST_P(PriceLookupE2e, AnswersWebTerminalsUnderLoad) {
    ASSERT_NO_FATAL_FAILURE(addDatabase());
    ASSERT_NO_FATAL_FAILURE(start());
    const QString web = QStringLiteral("127.0.0.1:%1").arg(m_program->webPort());
    for (const char* transport : {"http", "ws"}) {
        const auto load =
            runLoad(web, {"7891000100103", "7890000000000", "Café <b>"}, 10, 2, 15, "4", transport);
        ASSERT_EQ(load.exitCode, 0) << transport << ": " << load.errors;
        const QJsonObject r = load.report();
        const auto n = [&r](const char* key) { return r[QString::fromLatin1(key)].toInt(); };
        EXPECT_TRUE(n("connected") == 10 && n("disconnected") == 0 && n("scans_sent") >= 10 &&
                    n("replies") == n("scans_sent") && n("found") > 0 && n("not_found") > 0)
            << transport << ": " << load.lines.back();
    }
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}

// Scale labels answer the product of their short code: the label's price, or for a weight the
// catalogue's.
TEST_P(PriceLookupE2e, AnswersScaleLabelsByTheirShortCode) {
    ASSERT_NO_FATAL_FAILURE(addDatabase(
        QStringLiteral("[BALANCA]\nformat1=prefix:21;length:13;code:3,5;value:8,5;kind:price\n"
                       "format2=prefix:22;length:13;code:3,5;value:8,5;kind:weight\n")));
    ASSERT_NO_FATAL_FAILURE(start());

    const auto run =
        runTermsim(scanArguments(server(), {"2101234012475", "2200425003503", "2101234012474"}));

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.lines, (Lines{
                             found("2101234012475", "Queijo Mussarela Fatiado kg", "R$12,47"),
                             found("2200425003503", "Presunto Cozido Fatiado kg", "R$39,90"),
                             notFound("2101234012474"),
                         }));
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}

// Terminals scanning at the same time each get the answers to their own codes,
// and a crowd of terminals is answered without a scan left behind.
TEST_P(PriceLookupE2e, AnswersSeveralTerminalsAtOnce) {
    ASSERT_NO_FATAL_FAILURE(addDatabase());
    ASSERT_NO_FATAL_FAILURE(start());

    // Default model: each also asks for its pictures when it connects.
    const std::vector<std::pair<Lines, Lines>> terminals = {
        {{"7891000100103", "7890000000001", "7891910000197"},
         {found("7891000100103", kLeite, "R$6,99"), notFound("7890000000001"),
          found("7891910000197", kAcucar, "R$4,79")}},
        {{"7896005800028", "7896089011982", "7890000000002"},
         {found("7896005800028", "Biscoito Cream Cracker Vitarella 400g", "R$5,29"),
          found("7896089011982", "Café Torrado e Moído Pilão Tradicional 500g", "R$18,90"),
          notFound("7890000000002")}},
        {{"7890000000003", "7896006311041", "7896036001073"},
         {notFound("7890000000003"),
          found("7896006311041", "Feijão Carioca Camil Tipo 1 1kg", "R$8,49"),
          found("7896036001073", "Arroz Branco Tio João Tipo 1 5kg", "R$24,90")}},
        {{"7891036001511", "7896058001211", "7896022001513"},
         {found("7891036001511", "Óleo de Soja Soya 900ml", "R$7,49"),
          found("7896058001211", "Pão de Forma Tradicional Pullman 480g", "R$8,49"),
          found("7896022001513", "Macarrão Espaguete nº 8 Renata 500g", "R$4,29")}},
    };
    std::vector<std::unique_ptr<TermsimProcess>> running;
    for (size_t i = 0; i < terminals.size(); ++i) {
        running.push_back(std::make_unique<TermsimProcess>(
            scanArguments(server(), terminals[i].first, "10") +
            QStringList{QStringLiteral("--seed"), QString::number(i + 1)}));
    }
    for (size_t i = 0; i < terminals.size(); ++i) {
        const auto result = running[i]->finish(std::chrono::seconds(60));
        EXPECT_EQ(result.exitCode, 0) << "terminal " << i << ": " << result.errors;
        EXPECT_EQ(result.lines, terminals[i].second) << "terminal " << i;
    }

    // One code in four is unknown.
    const auto load = runLoad(
        server(), {"7891000100103", "7891910000197", "7890000000000", "2000001000182"}, 30, 2, 15);
    ASSERT_EQ(load.exitCode, 0) << load.errors;
    const QJsonObject report = load.report();
    const std::string shown = load.lines.empty() ? std::string() : load.lines.back();
    EXPECT_EQ(report[QStringLiteral("connected")].toInt(), 30) << shown;
    EXPECT_EQ(report[QStringLiteral("disconnected")].toInt(), 0) << shown;
    EXPECT_GE(report[QStringLiteral("scans_sent")].toInt(), 30) << shown;
    EXPECT_EQ(report[QStringLiteral("replies")].toInt(),
              report[QStringLiteral("scans_sent")].toInt())
        << shown;
    EXPECT_EQ(report[QStringLiteral("no_reply")].toInt(), 0) << shown;
    EXPECT_GT(report[QStringLiteral("found")].toInt(), 0) << shown;
    EXPECT_GT(report[QStringLiteral("not_found")].toInt(), 0) << shown;
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}

// The server crashes while terminals scan and comes back: the scans in between go
// unanswered, the terminals stay connected, and the next scan after the restart is
// answered without restarting the program.
using ServerOutageE2e = PriceLookupE2e;
INSTANTIATE_TEST_SUITE_P(Modes, ServerOutageE2e,
                         ::testing::Values(Setup{false, true}, Setup{true, true}), setupName);

TEST_P(ServerOutageE2e, ScansFailWhileTheServerIsDownAndAreAnsweredOnceItIsBack) {
    ASSERT_NO_FATAL_FAILURE(addDatabase());
    ASSERT_NO_FATAL_FAILURE(start());
    QTemporaryFile codes;
    ASSERT_TRUE(codes.open());
    codes.write("7891000100103\n7890000000000\n");
    codes.flush();
    TermsimProcess load({QStringLiteral("--server"), server(), QStringLiteral("--terminals"),
                         QStringLiteral("10"), QStringLiteral("--rate"), QStringLiteral("2"),
                         QStringLiteral("--duration"), QStringLiteral("12"),
                         QStringLiteral("--timeout"), QStringLiteral("3"),
                         QStringLiteral("--model"), QStringLiteral("1"), QStringLiteral("--codes"),
                         codes.fileName(), QStringLiteral("--json")});
    std::this_thread::sleep_for(std::chrono::seconds(3));

    m_server->kill();
    const auto down = runTermsim(scanArguments(server(), {"7891000100103"}, "3"));
    EXPECT_EQ(down.lines, Lines{"7891000100103\tno reply"});
    m_server->start();
    const auto back = runTermsim(scanArguments(server(), {"7891000100103"}, "10"));
    EXPECT_EQ(back.lines, Lines{found("7891000100103", kLeite, "R$6,99")}) << back.errors;

    const auto result = load.finish(std::chrono::seconds(60));
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    const QJsonObject report = result.report();
    EXPECT_EQ(report[QStringLiteral("connected")].toInt(), 10);
    EXPECT_EQ(report[QStringLiteral("disconnected")].toInt(), 0);
    EXPECT_GT(report[QStringLiteral("replies")].toInt(), 0);
    EXPECT_GT(report[QStringLiteral("no_reply")].toInt(), 0);
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}

// The separators come from the locale the settings file names (or the regional
// settings) and the prefix from the settings file; the program and its database may live
// in folders with non-ASCII names.
class NonAsciiFolderE2e : public ProgramTest {
protected:
    NonAsciiFolderE2e() : ProgramTest(QStringLiteral("Preços São João")) {}
};

TEST_F(NonAsciiFolderE2e, AnswersWithTheRegionalSeparatorsAndTheConfiguredPrefix) {
    ASSERT_NO_FATAL_FAILURE(
        addDemoDatabase(QStringLiteral("[GENERAL]\ncurrency=US$\nprice_locale=en_US\n")));
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("C.UTF-8")));

    const auto run = runTermsim(scanArguments(server(), {"7893200500110", "7891000100103"}));

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(
        run.lines,
        (Lines{found("7893200500110", "Smart TV LED 50 Polegadas 4K UHD com Wi-Fi", "US$2,899.00"),
               found("7891000100103", kLeite, "US$6.99")}));
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}

// Shops run under regional settings this machine may have no C library locale for:
// the separators still follow them and accented folder names still open.
TEST_F(NonAsciiFolderE2e, RegionalSettingsWithoutAnInstalledLocaleStillOpenTheDatabase) {
    ASSERT_NO_FATAL_FAILURE(addDemoDatabase(QString()));
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("pt_BR.UTF-8")));

    const auto run = runTermsim(scanArguments(server(), {"7893200500110"}));

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.lines, (Lines{found("7893200500110", "Smart TV LED 50 Polegadas 4K UHD com Wi-Fi",
                                      "R$2.899,00")}));
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}

// The health check follows the database server out and back; the metrics count each scan.
TEST_P(PriceLookupE2e, HealthFollowsADatabaseOutageAndMetricsCountTheScans) {
    if (!GetParam().server)
        GTEST_SKIP() << "an outage needs a database server";
    ASSERT_NO_FATAL_FAILURE(addDatabase());
    ASSERT_NO_FATAL_FAILURE(start());
    const uint16_t web = m_program->webPort();
    ASSERT_NE(web, 0);
    // The high-volume mode counts a scan on the tick after its answer has gone.
    const auto shows = [web](const std::string& target, const std::string& text) {
        for (int i = 0; i < 40; ++i) {
            const std::string response = httpGet(web, target);
            if (response.find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    };
    const std::string found = "tarifon_scans_total{outcome=\"found\",transport=\"http\"} ";
    EXPECT_TRUE(shows("/healthz", "HTTP/1.1 200 OK"));
    EXPECT_TRUE(shows("/metrics", found + "0\n"));
    httpGet(web, "/api/price?code=7891000100103");
    EXPECT_TRUE(shows("/metrics", found + "1\n"));

    m_server->kill();
    EXPECT_EQ(httpGet(web, "/api/price?code=7891000100103").substr(0, 12), "HTTP/1.1 503");
    EXPECT_TRUE(shows("/healthz", "\r\n\r\nthe last database access failed: "));
    m_server->start();
    httpGet(web, "/api/price?code=7891000100103");
    EXPECT_TRUE(shows("/healthz", "\r\n\r\nok\n"));
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}
