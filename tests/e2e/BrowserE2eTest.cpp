// The kiosk page and the price checkers' pages in a real browser (headless Chromium):
// what only a browser shows, against the real program and library.
#include <csignal>
#include <memory>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "Browser.h"
#include "ListeningServer.h"
#include "ProgramTest.h"
#include "app/TermlinkLibrary.h"
#include "support/Controls.h"
#include "support/ScriptedDialogs.h"
#include "support/Utf8.h"
#include "ui/TForm1.h"

using namespace std::chrono_literals;

namespace {

// The web side gets a port of its own choosing, so that the page finds Tarifon again
// after a restart.
uint16_t freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    ::close(fd);
    return bound ? ntohs(address.sin_port) : 0;
}

bool copyFiles(const QString& from, const QString& to) {
    if (!QDir().mkpath(to))
        return false;
    for (const QFileInfo& file : QDir(from).entryInfoList(QDir::Files)) {
        const QString target = to + u'/' + file.fileName();
        QFile::remove(target);
        if (!QFile::copy(file.filePath(), target))
            return false;
    }
    return true;
}

// The kiosk page and the shipped templates in `folder`/web, where the library looks for
// them beside the executable; and the library's settings with the web side on `port`.
bool layOutWeb(const QString& folder, const QString& termlinkIni, uint16_t port) {
    QFile ini(termlinkIni);
    return port != 0 && copyFiles(s(TARIFON_SOURCE_DIR "/web"), folder + s("/web")) &&
           copyFiles(s(TARIFON_SOURCE_DIR "/data/web/templates"), folder + s("/web/templates")) &&
           ini.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           ini.write(QStringLiteral("[server]\naddress=127.0.0.1\nport=0\n"
                                    "[web]\naddress=127.0.0.1\nport=%1\n")
                         .arg(port)
                         .toUtf8()) > 0;
}

const QString kConnected = s("state.socket !== null && state.socket.readyState === WebSocket.OPEN");
// What the answer screen shows: its kind, the description and the price line.
const QString kAnswer =
    s("document.getElementById('answer').hidden ? 'idle' : "
      "[document.getElementById('answer').className, "
      "document.getElementById('description').textContent, "
      "document.getElementById('price').textContent].join(' | ')");
const QString kStatus =
    s("document.getElementById('status').hidden ? '' : "
      "document.getElementById('status-text').textContent.replace(/ · .*/, '')");
// A code that would be markup, were it not escaped.
const QString kMarkup = s("<i id=\"x\">7'&amp;</i>");

// The page under the heading shows `text` as text, having made no element of it.
QString showsLiterally(const QString& heading, const QString& text) {
    return s("document.querySelector('h1')?.textContent === '%1' && "
             "document.getElementById('x') === null && "
             "document.body.textContent.includes(decodeURIComponent('%2'))")
        .arg(heading, QString::fromLatin1(QUrl::toPercentEncoding(text)));
}

QString priceUrl(uint16_t port, const QString& code) {
    return s("http://127.0.0.1:%1/price?code=%2")
        .arg(port)
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(code)));
}

class BrowserE2e : public ProgramTest {
protected:
    void SetUp() override {
        if (const QString absent = Browser::missing(); !absent.isEmpty())
            GTEST_SKIP() << "not installed: " << absent.toStdString();
        m_browser = std::make_unique<Browser>();
        ASSERT_EQ(m_browser->error(), QString());
    }

    // Types `code` and Enter, and waits for the answer screen to show `expected`.
    void scan(const QString& code, const QString& expected) {
        m_browser->type(code + u'\n');
        EXPECT_TRUE(m_browser->waitFor(kAnswer, expected, 10s))
            << code.toStdString() << ": " << m_browser->lastSeen().toString().toStdString()
            << m_browser->lastError().toStdString();
    }

    std::unique_ptr<Browser> m_browser;
};

}  // namespace

TEST_F(BrowserE2e, AnswersTheScannerAndTheCheckersAndComesBackAfterARestart) {
    const uint16_t web = freePort();
    ASSERT_TRUE(layOutWeb(m_folder.path(), m_folder.filePath(s("termlink.ini")), web));
    ASSERT_NO_FATAL_FAILURE(addDemoDatabase());
    ASSERT_NO_FATAL_FAILURE(start());
    Browser& browser = *m_browser;
    const QString kiosk = s("http://127.0.0.1:%1/").arg(web);

    browser.open(kiosk);
    ASSERT_TRUE(browser.waitFor(kConnected, true)) << m_program->output().toStdString();
    scan(s("7891000100103"), s("screen found | Leite Condensado Moça 395g | R$6,99"));
    browser.shot(s("price"));
    scan(s("7890000000000"), s("screen not-found |  | Produto não encontrado"));
    browser.shot(s("not-found"));
    EXPECT_TRUE(browser.waitFor(kAnswer, s("idle"), 10s));

    // A price checker's pages, with what the shop's database and the device put in them.
    browser.open(s("http://127.0.0.1:%1/price/2000001000496").arg(web));
    EXPECT_TRUE(browser.waitFor(s("document.querySelector('.description').textContent + ' ' + "
                                  "document.querySelector('.price').textContent"),
                                s("Queijo Minas Frescal Sant'Anna kg R$39,90")));
    browser.open(priceUrl(web, kMarkup));
    EXPECT_TRUE(browser.waitFor(showsLiterally(s("Produto não encontrado"), kMarkup), true))
        << browser.lastError().toStdString();

    // Tarifon goes and comes back on the same port: the page says it is cut off, then
    // answers again by itself.
    browser.open(kiosk);
    ASSERT_TRUE(browser.waitFor(kConnected, true));
    EXPECT_EQ(stop(SIGTERM), "exit 0");
    EXPECT_TRUE(browser.waitFor(kStatus, s("Sem conexão com o servidor de preços")));
    browser.shot(s("cut-off"));
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_TRUE(browser.waitFor(s("(%1) && (%2) === ''").arg(kConnected, kStatus), true, 40s));
    scan(s("7891910000197"), s("screen found | Açúcar Refinado União 1kg | R$4,79"));
    EXPECT_EQ(stop(SIGTERM), "exit 0");
}

// The window runs here, on the real library, so that its button sends the quick message.
TEST_F(BrowserE2e, ShowsThePicturesTheQuickMessageAndAFailedLookup) {
    const auto file = [this](const char* name) { return m_folder.filePath(s(name)); };
    const uint16_t web = freePort();
    ASSERT_TRUE(layOutWeb(QCoreApplication::applicationDirPath(), file("termlink.ini"), web));
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(s("images")));
    QImage picture(160, 90, QImage::Format_RGB32);
    picture.fill(QColor(0, 128, 255));
    ASSERT_TRUE(picture.save(file("images/oferta.png")));
    QFile table(file("images.txt"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly) && table.write("oferta.png|1|5|\r\n") > 0);
    table.close();
    // No database: every lookup fails.
    m_folder.writeSettings(
        s("[CAMINHO]\nbd=/nowhere/pdv.fdb\n[MESSAGE]\nline1=Oferta do dia\n"
          "line2=Café <b>2 por 1</b>\ntimeex=60\n"));
    qputenv("TERMLINK_INI", file("termlink.ini").toLocal8Bit());
    tarifon::TermlinkLibrary library;
    TForm1 form(library, m_folder.path());
    form.setDialogs(std::make_unique<ScriptedDialogs>());
    ASSERT_FALSE(listeningServer([&form] { form.FormCreate(); }).isEmpty());
    Browser& browser = *m_browser;
    browser.open(s("http://127.0.0.1:%1/").arg(web));

    // The picture of the image table, in its own colours and size.
    EXPECT_TRUE(
        browser.waitFor(s("(() => { const i = document.querySelector('.slide.shown');"
                          " if (!i || document.getElementById('idle').hidden) return null;"
                          " const c = document.createElement('canvas'); c.width = c.height = 1;"
                          " c.getContext('2d').drawImage(i, -80, -45);"
                          " return [i.naturalWidth, i.naturalHeight, ...c.getContext('2d')"
                          ".getImageData(0, 0, 1, 1).data.slice(0, 3)].join(' '); })()"),
                        s("160 90 0 128 255")))
        << browser.lastError().toStdString();

    auto* terminals = control<QListWidget>(form, "ListBConec");
    ASSERT_TRUE(QTest::qWaitFor([&] { return terminals->count() == 1; }, 10000));
    control<QToolButton>(form, "BtnMsgSend")->click();
    EXPECT_TRUE(browser.waitFor(s("document.getElementById('message').hidden ? '' : "
                                  "document.getElementById('message').innerText"),
                                s("Oferta do dia\nCafé <b>2 por 1</b>")));
    browser.shot(s("idle-message-picture"));

    scan(s("7891000100103"), s("screen failed |  | Consulta indisponível no momento"));
    browser.shot(s("failed"));
    browser.open(priceUrl(web, kMarkup));
    EXPECT_TRUE(
        browser.waitFor(showsLiterally(s("Consulta indisponível no momento"), kMarkup), true))
        << browser.lastError().toStdString();
}
