#include "app/SettingsFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/Utf8.h"
#include "platform/IniFile.h"

using namespace tarifon;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path() const { return m_dir.filePath(QStringLiteral("de501.ini")); }

    void putBytes(const QByteArray& bytes) const {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    QString entry(const char* section, const char* key) const {
        return IniFile::readString(path(), s(section), s(key), s("<missing>"));
    }

    QTemporaryDir m_dir;
};

void expectEqual(const Settings& a, const Settings& b) {
    EXPECT_EQ(a.currency, b.currency);
    EXPECT_EQ(a.line1, b.line1);
    EXPECT_EQ(a.line2, b.line2);
    EXPECT_EQ(a.timeex, b.timeex);
    EXPECT_EQ(a.bd, b.bd);
    EXPECT_EQ(a.lcbo_Iniciar, b.lcbo_Iniciar);
}

}  // namespace

TEST_F(SettingsFileTest, NoFileGivesDefaultsAndSavingWritesAllSixEntries) {
    const Settings loaded = loadSettings(path());
    expectEqual(loaded,
                Settings{s("R$"), s("Gande Promoção"), s("Não Perca!"), s("4"), QString(), false});

    EXPECT_TRUE(saveSettings(path(), loaded).isEmpty());
    EXPECT_EQ(entry("GENERAL", "currency"), s("R$"));
    EXPECT_EQ(entry("MESSAGE", "line1"), s("Gande Promoção"));
    EXPECT_EQ(entry("MESSAGE", "line2"), s("Não Perca!"));
    EXPECT_EQ(entry("MESSAGE", "timeex"), s("4"));
    EXPECT_EQ(entry("CAMINHO", "bd"), QString());
    EXPECT_EQ(entry("INICIAR", ""), s("0"));
    expectEqual(loadSettings(path()), loaded);
}

TEST_F(SettingsFileTest, SavedValuesReadBackEqual) {
    const Settings saved{s("€ "),
                         s("  Leve 3 pague 2  "),
                         s("\"Só hoje\""),
                         s("0x1F"),
                         s("192.168.0.10:C:\\PDV\\PDV.FDB"),
                         true};
    EXPECT_TRUE(saveSettings(path(), saved).isEmpty());
    Settings expected = saved;
    expected.timeex = s("31");
    expectEqual(loadSettings(path()), expected);
    EXPECT_EQ(entry("INICIAR", ""), s("1"));
}

TEST_F(SettingsFileTest, ConvertsNumbersLikeTheOriginal) {
    putBytes("[MESSAGE]\ntimeex=0x1F\n[INICIAR]\n=2\n");
    Settings loaded = loadSettings(path());
    EXPECT_EQ(loaded.timeex, s("31"));
    EXPECT_TRUE(loaded.lcbo_Iniciar);

    putBytes("[MESSAGE]\ntimeex=abc\n[iniciar]\n=0\n");
    loaded = loadSettings(path());
    EXPECT_EQ(loaded.timeex, s("4"));
    EXPECT_FALSE(loaded.lcbo_Iniciar);

    // Present but empty: the texts become empty, the numbers take their defaults.
    putBytes("[GENERAL]\ncurrency=\n[MESSAGE]\ntimeex=\n[INICIAR]\n=\n");
    loaded = loadSettings(path());
    EXPECT_EQ(loaded.currency, QString());
    EXPECT_EQ(loaded.timeex, s("4"));
    EXPECT_FALSE(loaded.lcbo_Iniciar);

    putBytes("[INICIAR]\n=yes\n");
    EXPECT_FALSE(loadSettings(path()).lcbo_Iniciar);
}

TEST_F(SettingsFileTest, DisplayTimeThatIsNotANumberLosesNothingElse) {
    putBytes(
        "; kept\n"
        "[GENERAL]\ncurrency=R$\n"
        "[MESSAGE]\nline1=old 1\nline2=old 2\ntimeex=9\n"
        "[CAMINHO]\nbd=/old.fdb\n"
        "[INICIAR]\n=0\n");
    const Settings edited{s("US$"), s("new 1"), s("new 2"), s("x"), s("/new.fdb"), true};
    EXPECT_EQ(saveSettings(path(), edited).size(), 1);

    const Settings loaded = loadSettings(path());
    expectEqual(loaded, Settings{s("US$"), s("new 1"), s("new 2"), s("9"), s("/new.fdb"), true});
    EXPECT_EQ(IniFile::load(path()).toUtf8().left(7), QByteArray("; kept\n"));
}

TEST_F(SettingsFileTest, UnwritableFileIsReportedNotThrown) {
    const QString missingFolder = m_dir.filePath(QStringLiteral("gone/de501.ini"));
    EXPECT_EQ(saveSettings(missingFolder, loadSettings(missingFolder)).size(), 6);
}

// Formats that cannot be read are skipped with a reason for the log; every entry goes
// back to the file as it was, and a file without the section stays without it.
TEST_F(SettingsFileTest, ScaleFormatsAreReadSkippedWithAReasonAndKept) {
    putBytes(
        "[BALANCA]\n; an example\nformat1=prefix:2;length:13;code:2,6;value:8,5\n"
        "format2=prefix:2;length:14;code:2,6;value:8,5\nformato3=prefix:2\n"
        "FORMAT4 = prefix:20-29;length:13;code:3,5;value:8,5;kind:weight\n");
    const Settings loaded = loadSettings(path());
    ASSERT_EQ(loaded.scale.entries.size(), 4u);
    ASSERT_EQ(loaded.scale.formats.size(), 2u);
    EXPECT_EQ(loaded.scale.formats[1].kind, ScaleValueKind::Weight);
    ASSERT_EQ(loaded.scale.problems.size(), 2);
    EXPECT_TRUE(loaded.scale.problems[0].startsWith(s("[BALANCA] format2 skipped: ")));
    const QString copy = m_dir.filePath(QStringLiteral("copy.ini"));
    EXPECT_TRUE(saveSettings(copy, loaded).isEmpty());
    EXPECT_EQ(loadSettings(copy).scale.entries, loaded.scale.entries);

    putBytes("[GENERAL]\ncurrency=R$\n");
    EXPECT_TRUE(saveSettings(path(), loadSettings(path())).isEmpty());
    EXPECT_FALSE(IniFile::load(path()).toUtf8().contains("BALANCA"));
}

// [PERFORMANCE] is read into range and written back normalised when the file had it; a
// file without it keeps the six entries only.  The diagnostic key is never written.
TEST_F(SettingsFileTest, PerformanceSectionIsReadIntoRangeAndKeptOnlyWhenPresent) {
    struct Case {
        QByteArray file;
        PerformanceSettings read;
        QString savedWorkers;  // "<missing>" when the section must not be written
    };
    const std::vector<Case> cases = {
        {"[GENERAL]\ncurrency=R$\n", {}, s("<missing>")},
        {"[performance]\nHIGH_VOLUME=2\nworkers=-3\nidle_ms=abc\nconnect_timeout_s=0\n"
         "[DEBUG]\nui_probe=1\n",
         {.highVolume = true, .connectTimeoutS = 1, .inFile = true, .uiProbe = true},
         s("0")},
        {"[PERFORMANCE]\nworkers=0x10\nidle_ms=99999999\n",
         {.workers = 16, .idleMs = PerformanceSettings::kMaxIdleMs, .inFile = true},
         s("16")},
    };
    for (const Case& c : cases) {
        putBytes(c.file);
        const Settings loaded = loadSettings(path());
        const PerformanceSettings& p = loaded.performance;
        EXPECT_EQ(
            std::tuple(p.highVolume, p.workers, p.idleMs, p.connectTimeoutS, p.inFile, p.uiProbe),
            std::tuple(c.read.highVolume, c.read.workers, c.read.idleMs, c.read.connectTimeoutS,
                       c.read.inFile, c.read.uiProbe))
            << c.file.toStdString();
        EXPECT_TRUE(saveSettings(path(), loaded).isEmpty());
        EXPECT_EQ(entry("PERFORMANCE", "workers"), c.savedWorkers);
        if (p.inFile) {
            EXPECT_EQ(entry("PERFORMANCE", "high_volume"), p.highVolume ? s("1") : s("0"));
            EXPECT_EQ(entry("PERFORMANCE", "connect_timeout_s"),
                      QString::number(p.connectTimeoutS));
            EXPECT_EQ(entry("PERFORMANCE", "idle_ms"), QString::number(p.idleMs));
            // As it was: never written.
            EXPECT_EQ(entry("DEBUG", "ui_probe"), p.uiProbe ? s("1") : s("<missing>"));
        }
    }
}
