// The kiosk page and the price checkers' pages in a real browser (headless Chromium):
// what only a browser shows, against the real program and library.
#include <csignal>
#include <memory>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QListWidget>
#include <QToolButton>
#include <QUrl>

#include "Browser.h"
#include "ListeningServer.h"
#include "ProgramTest.h"
#include "main/TermlinkLibrary.h"
#include "support/Controls.h"
#include "support/ScriptedDialogs.h"
#include "support/SilentListener.h"
#include "support/Utf8.h"
#include "ui/TForm1.h"

using namespace std::chrono_literals;

namespace {

// The kiosk page and the shipped templates in `folder`/web, where the library looks for
// them beside the executable; the web side on a port of the test's choosing, so that the
// page finds Tarifon again after a restart. Returns the port, 0 on a failure.
int layOutWeb(const QString& folder, const QString& termlinkIni) {
    bool copied = true;
    for (const auto& [from, to] :
         {std::pair{"/web/", "/web/"}, {"/data/web/templates/", "/web/templates/"}}) {
        QDir().mkpath(folder + s(to));
        for (const QFileInfo& file :
             QDir(s(TARIFON_SOURCE_DIR) + s(from)).entryInfoList(QDir::Files)) {
            QFile::remove(folder + s(to) + file.fileName());
            copied = QFile::copy(file.filePath(), folder + s(to) + file.fileName()) && copied;
        }
    }
    const int port = SilentListener().port();
    QFile ini(termlinkIni);
    return copied && ini.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   ini.write(QStringLiteral("[server]\naddress=127.0.0.1\nport=0\n"
                                            "[web]\naddress=127.0.0.1\nport=%1\n")
                                 .arg(port)
                                 .toUtf8()) > 0
               ? port
               : 0;
}

const QString kConnected = s("state.socket !== null && state.socket.readyState === WebSocket.OPEN");
// What the answer screen shows: its kind, the description and the price line.
// ($ is the page's own getElementById.)
const QString kAnswer =
    s("$('answer').hidden ? 'idle' : [$('answer').className, "
      "$('description').textContent, $('price').textContent].join(' | ')");
const QString kStatus =
    s("$('status').hidden ? '' : $('status-text').textContent.replace(/ · .*/, '')");
// A code that would be markup, were it not escaped.
const QString kMarkup = s("<i id=\"x\">7'&amp;</i>");

// The page under the heading shows `text` as text, having made no element of it.
QString showsLiterally(const QString& heading, const QString& text) {
    return s("document.querySelector('h1')?.textContent === '%1' && "
             "document.getElementById('x') === null && "
             "document.body.textContent.includes(decodeURIComponent('%2'))")
        .arg(heading, QString::fromLatin1(QUrl::toPercentEncoding(text)));
}

QString priceUrl(int port, const QString& code) {
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
        m_browser->run("keys", code + u'\n');
        EXPECT_TRUE(m_browser->waitFor(kAnswer, expected, 10s))
            << code.toStdString() << ": " << m_browser->lastSeen().toString().toStdString()
            << m_browser->error().toStdString();
    }

    std::unique_ptr<Browser> m_browser;
};

}  // namespace

TEST_F(BrowserE2e, AnswersTheScannerAndTheCheckersAndComesBackAfterARestart) {
    const int web = layOutWeb(m_folder.path(), m_folder.filePath(s("termlink.ini")));
    ASSERT_NE(web, 0);
    ASSERT_NO_FATAL_FAILURE(addDemoDatabase());
    ASSERT_NO_FATAL_FAILURE(start());
    Browser& browser = *m_browser;
    const QString kiosk = s("http://127.0.0.1:%1/").arg(web);

    browser.run("open", kiosk);
    ASSERT_TRUE(browser.waitFor(kConnected, true)) << m_program->output().toStdString();
    scan(s("7891000100103"), s("screen found | Leite Condensado Moça 395g | R$6,99"));
    browser.shot(s("price"));
    scan(s("7890000000000"), s("screen not-found |  | Produto não encontrado"));
    browser.shot(s("not-found"));
    EXPECT_TRUE(browser.waitFor(kAnswer, s("idle"), 10s));

    // A price checker's pages, with what the shop's database and the device put in them.
    browser.run("open", s("http://127.0.0.1:%1/price/2000001000496").arg(web));
    EXPECT_TRUE(browser.waitFor(s("document.querySelector('.description').textContent + ' ' + "
                                  "document.querySelector('.price').textContent"),
                                s("Queijo Minas Frescal Sant'Anna kg R$39,90")));
    browser.run("open", priceUrl(web, kMarkup));
    EXPECT_TRUE(browser.waitFor(showsLiterally(s("Produto não encontrado"), kMarkup), true))
        << browser.error().toStdString();

    // Tarifon goes and comes back on the same port: the page says it is cut off, then
    // answers again by itself.
    browser.run("open", kiosk);
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
    const int web = layOutWeb(QCoreApplication::applicationDirPath(), file("termlink.ini"));
    ASSERT_NE(web, 0);
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
    browser.run("open", s("http://127.0.0.1:%1/").arg(web));

    // The picture of the image table, in its own colours and size.
    EXPECT_TRUE(
        browser.waitFor(s("(() => { const i = document.querySelector('.slide.shown');"
                          " if (!i || $('idle').hidden) return null;"
                          " const c = document.createElement('canvas'); c.width = c.height = 1;"
                          " c.getContext('2d').drawImage(i, -80, -45);"
                          " return [i.naturalWidth, i.naturalHeight, ...c.getContext('2d')"
                          ".getImageData(0, 0, 1, 1).data.slice(0, 3)].join(' '); })()"),
                        s("160 90 0 128 255")))
        << browser.error().toStdString();

    auto* terminals = control<QListWidget>(form, "ListBConec");
    ASSERT_TRUE(QTest::qWaitFor([&] { return terminals->count() == 1; }, 10000));
    control<QToolButton>(form, "BtnMsgSend")->click();
    EXPECT_TRUE(browser.waitFor(s("$('message').hidden ? '' : $('message').innerText"),
                                s("Oferta do dia\nCafé <b>2 por 1</b>")));
    browser.shot(s("idle-message-picture"));

    scan(s("7891000100103"), s("screen failed |  | Consulta indisponível no momento"));
    browser.shot(s("failed"));
    browser.run("open", priceUrl(web, kMarkup));
    EXPECT_TRUE(
        browser.waitFor(showsLiterally(s("Consulta indisponível no momento"), kMarkup), true))
        << browser.error().toStdString();
}
