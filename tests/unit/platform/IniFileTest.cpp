#include "platform/IniFile.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/Utf8.h"

using namespace tarifon;

namespace {

const QString kDefault = QStringLiteral("default");

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path() const { return m_dir.filePath(QStringLiteral("test.ini")); }

    void putBytes(const QByteArray& bytes) const {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    QByteArray bytes() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QString read(const char* section, const char* key, const QString& def = kDefault) const {
        return IniFile::readString(path(), s(section), s(key), def);
    }

    bool write(const char* section, const char* key, const QString& value) const {
        return IniFile::writeString(path(), s(section), s(key), value).ok();
    }

    QStringList folderEntries() const {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(IniFileTest, MatchesNamesWithoutRegardToCaseOrBlanks) {
    putBytes(
        "[general]\n"
        "Currency=US$\n"
        "  [ Message ]  \n"
        "  LINE1  =  hello world  \n"
        "[INICIAR]\n"
        "=1\n");
    EXPECT_EQ(read("GENERAL", "currency"), s("US$"));
    EXPECT_EQ(read("message", "line1"), s("hello world"));
    EXPECT_EQ(read(" MESSAGE ", " Line1 "), s("hello world"));
    EXPECT_EQ(read("iniciar", ""), s("1"));
    // A key of another section is not found.
    EXPECT_EQ(read("GENERAL", "line1"), kDefault);
}

TEST_F(IniFileTest, DropsBlanksAndOnePairOfMatchingQuotes) {
    putBytes(
        "[S]\n"
        "dq=  \"  kept blanks \"  \n"
        "sq='x'\n"
        "twice=\"\"inner\"\"\n"
        "mixed=\"x'\n"
        "lone=\"\n"
        "inside=a \"b\" c\n"
        "tabs=\t value\t\n"
        "equals=a=b\n");
    EXPECT_EQ(read("S", "dq"), s("  kept blanks "));
    EXPECT_EQ(read("S", "sq"), s("x"));
    EXPECT_EQ(read("S", "twice"), s("\"inner\""));
    EXPECT_EQ(read("S", "mixed"), s("\"x'"));
    EXPECT_EQ(read("S", "lone"), s("\""));
    EXPECT_EQ(read("S", "inside"), s("a \"b\" c"));
    EXPECT_EQ(read("S", "tabs"), s("value"));
    EXPECT_EQ(read("S", "equals"), s("a=b"));

    // Vertical tab, form feed and the DOS end-of-file mark are blanks too.
    putBytes("[S]\n\x0b k\x0c=\x0c v \x0b\n\x1a\n=\" q\x1a\"\x1a");
    EXPECT_EQ(read("S", "k"), s("v"));
    EXPECT_EQ(read("S", ""), s(" q\x1a"));
}

TEST_F(IniFileTest, EmptyValueIsNotMissingAndMissingGivesTheTrimmedDefault) {
    putBytes(
        "[S]\n"
        "empty=\n"
        "blank=   \n"
        "quotes=\"\"\n");
    const QString def = s(" Texto Rápido  ");
    EXPECT_EQ(read("S", "empty", def), QString());
    EXPECT_EQ(read("S", "blank", def), QString());
    EXPECT_EQ(read("S", "quotes", def), QString());
    EXPECT_EQ(read("S", "absent", def), s(" Texto Rápido"));
    EXPECT_EQ(read("Other", "empty", def), s(" Texto Rápido"));
    EXPECT_EQ(
        IniFile::readString(m_dir.filePath(QStringLiteral("none.ini")), s("S"), s("empty"), def),
        s(" Texto Rápido"));
}

TEST_F(IniFileTest, IgnoresLinesThatAreNotEntriesAndTakesTheFirstDuplicate) {
    putBytes(
        "orphan=before any section\n"
        "[S]\n"
        "; key=commented out\n"
        "just some words\n"
        "\n"
        "key=first\n"
        "KEY=second\n"
        "[s]\n"
        "late=in a repeated section\n"
        "[T]\n"
        "key=other section\n");
    EXPECT_EQ(read("S", "key"), s("first"));
    EXPECT_EQ(read("S", "; key"), kDefault);
    EXPECT_EQ(read("S", "just some words"), kDefault);
    EXPECT_EQ(read("", "orphan"), kDefault);
    // Only the first copy of a section is searched, and a write goes there too.
    EXPECT_EQ(read("S", "late"), kDefault);
    EXPECT_EQ(IniFile::load(path()).keys(s("S")), QStringList{s("key")});
    ASSERT_TRUE(write("s", "late", s("x")));
    EXPECT_EQ(read("S", "late"), s("x"));
    EXPECT_TRUE(bytes().contains("KEY=second\nlate=x\n[s]"));
}

TEST_F(IniFileTest, CutsValuesAndDefaultsAt2047Characters) {
    const QString longValue = QString(3000, u'v');
    // A line far longer than any buffer, and a key after it.
    putBytes("[S]\nlong=" + longValue.toUtf8() + "\nafter=ok\nquoted=\"" + QByteArray(2047, 'q') +
             "\"\n");
    EXPECT_EQ(read("S", "long"), QString(2047, u'v'));
    EXPECT_EQ(read("S", "after"), s("ok"));
    EXPECT_EQ(read("S", "quoted"), QString(2047, u'q'));
    EXPECT_EQ(read("S", "absent", longValue), QString(2047, u'v'));

    // A character outside the BMP straddling the cut is dropped whole, not split in half.
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    putBytes("[S]\nk=" + (QString(2046, u'a') + emoji).toUtf8() + "\n");
    EXPECT_EQ(read("S", "k"), QString(2046, u'a'));
}

TEST_F(IniFileTest, ReadsEveryEncodingAndLineEnd) {
    const QString text = s("[MESSAGE]\r\nline1=Gande Promoção\r\nline2=Não Perca! €\r\n");

    putBytes(text.toUtf8());
    EXPECT_EQ(read("MESSAGE", "line1"), s("Gande Promoção"));
    EXPECT_EQ(read("MESSAGE", "line2"), s("Não Perca! €"));

    putBytes("\xEF\xBB\xBF" + text.toUtf8());
    EXPECT_EQ(read("MESSAGE", "line1"), s("Gande Promoção"));

    QByteArray le("\xFF\xFE");
    QByteArray be("\xFE\xFF");
    for (QChar c : text) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    putBytes(le);
    EXPECT_EQ(read("MESSAGE", "line2"), s("Não Perca! €"));
    putBytes(be);
    EXPECT_EQ(read("MESSAGE", "line2"), s("Não Perca! €"));

    // Not valid UTF-8: the Windows ANSI code page.
    putBytes("[MESSAGE]\nline1=Gande Promo\xE7\xE3o\nline2=N\xE3o Perca! \x80\n");
    EXPECT_EQ(read("MESSAGE", "line1"), s("Gande Promoção"));
    EXPECT_EQ(read("MESSAGE", "line2"), s("Não Perca! €"));

    // A CR alone ends a line, and new lines are written the same way.
    putBytes("[MESSAGE]\rline1=a\r\rline2=b\n");
    EXPECT_EQ(read("MESSAGE", "line1"), s("a"));
    ASSERT_TRUE(write("MESSAGE", "line3", s("c")));
    EXPECT_EQ(bytes(), QByteArray("[MESSAGE]\rline1=a\r\rline2=b\rline3=c\r"));
}

TEST_F(IniFileTest, UnreadableFilesGiveDefaults) {
    ASSERT_TRUE(QDir().mkdir(path()));
    EXPECT_EQ(read("S", "k"), kDefault);
    EXPECT_FALSE(write("S", "k", s("v")));
    EXPECT_TRUE(QFileInfo(path()).isDir());
    ASSERT_TRUE(QDir().rmdir(path()));

    // A pipe would block a naive reader forever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    EXPECT_EQ(read("S", "k"), kDefault);
    EXPECT_FALSE(write("S", "k", s("v")));
    ASSERT_TRUE(QFile::remove(path()));

    putBytes(QByteArray("\xFF\xFE\x00", 3));
    EXPECT_EQ(read("S", "k"), kDefault);
}

TEST_F(IniFileTest, WritesCreateTheFileAndReadBack) {
    ASSERT_TRUE(write("GENERAL", "currency", s("R$")));
    ASSERT_TRUE(write("INICIAR", "", s("1")));
    ASSERT_TRUE(write("MESSAGE", "line1", s("Gande Promoção")));
    EXPECT_EQ(
        bytes(),
        s("[GENERAL]\ncurrency=R$\n[INICIAR]\n=1\n[MESSAGE]\nline1=Gande Promoção\n").toUtf8());
    EXPECT_EQ(read("INICIAR", ""), s("1"));
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("test.ini")});
}

TEST_F(IniFileTest, WritesKeepEveryOtherLine) {
    putBytes(
        "; Tarifon settings\r\n"
        "[General]\r\n"
        "  Currency = US$ ; old\r\n"
        "note without equals\r\n"
        "\r\n"
        "[MESSAGE]\r\n"
        "line1=a\r\n"
        "\r\n"
        "; end\r\n");
    ASSERT_TRUE(write("GENERAL", "currency", s("R$")));
    ASSERT_TRUE(write("general", "added", s("x")));
    ASSERT_TRUE(write("CAMINHO", "bd", s("/srv/pdv.fdb")));
    ASSERT_TRUE(write("MESSAGE", "LINE1", s("b")));
    EXPECT_EQ(bytes(), QByteArray("; Tarifon settings\r\n"
                                  "[General]\r\n"
                                  "  Currency =R$\r\n"
                                  "note without equals\r\n"
                                  "added=x\r\n"
                                  "\r\n"
                                  "[MESSAGE]\r\n"
                                  "line1=b\r\n"
                                  "\r\n"
                                  "; end\r\n"
                                  "[CAMINHO]\r\n"
                                  "bd=/srv/pdv.fdb\r\n"));
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("test.ini")});
}

TEST_F(IniFileTest, RewritesAnAnsiFileAsUtf8WithoutLosingText) {
    putBytes("[MESSAGE]\nline1=Promo\xE7\xE3o\n");
    ASSERT_TRUE(write("MESSAGE", "line2", s("Não")));
    EXPECT_EQ(bytes(), s("[MESSAGE]\nline1=Promoção\nline2=Não\n").toUtf8());
}

TEST_F(IniFileTest, ValuesThatReadingWouldChangeAreQuoted) {
    for (const QString& value : {s("  two leading"), s("trailing\t"), s("\"quoted\""), s("'q'"),
                                 s("\"\""), s("\""), s("plain \"inner\" text"), QString()}) {
        ASSERT_TRUE(write("S", "k", value));
        EXPECT_EQ(read("S", "k"), value) << value.toStdString();
    }
    ASSERT_TRUE(write("S", "k", s(" x ")));
    EXPECT_EQ(bytes(), QByteArray("[S]\nk=\" x \"\n"));
}

TEST_F(IniFileTest, RefusesWhatAnIniLineCannotHold) {
    putBytes("[S]\nk=old\n");
    EXPECT_FALSE(write("S", "k", s("two\nlines")));
    EXPECT_FALSE(write("S", "k", s("cr\rhere")));
    EXPECT_FALSE(write("S]x", "k", s("v")));
    EXPECT_FALSE(write("S", "a=b", s("v")));
    EXPECT_FALSE(write("S", "[T]", s("v")));
    EXPECT_FALSE(write("S", ";c", s("v")));
    EXPECT_EQ(bytes(), QByteArray("[S]\nk=old\n"));
    EXPECT_FALSE(IniFile::writeString(m_dir.filePath(QStringLiteral("no/such/dir.ini")), s("S"),
                                      s("k"), s("v")));
}
