#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <tuple>

#include <gtest/gtest.h>

#include <QFile>

#include "support/TestDatabase.h"
#include "pricing/ConnectionTest.h"
#include "pricing/FbConnection.h"
#include "pricing/KeptConnection.h"
#include "pricing/LookupPrice.h"
#include "pricing/ScaleFormatText.h"

using namespace tarifon;

namespace {

const Separators kBrazil{QStringLiteral("."), QStringLiteral(",")};
const Separators kUs{QStringLiteral(","), QStringLiteral(".")};
struct Reply {
    std::string description;
    std::string price;
};

class Lookup : public ::testing::Test {
protected:
    PriceReply scan(const QString& code, const QString& prefix = QStringLiteral("R$"),
                    const Separators& separators = kBrazil) {
        return lookupPrice(code, {db.path(), prefix, separators});
    }

    // The price reply to one scan; fails the test when the scan got anything else.
    Reply price(const QString& code, const QString& prefix = QStringLiteral("R$"),
                const Separators& separators = kBrazil) {
        const PriceReply result = scan(code, prefix, separators);
        EXPECT_EQ(result.outcome, LookupOutcome::Price)
            << code.toStdString() << ": " << result.error.toStdString();
        if (result.outcome != LookupOutcome::Price)
            return {};
        return {result.description, result.price};
    }

    void expectNotFound(const QString& code) {
        const PriceReply result = scan(code);
        EXPECT_EQ(result.outcome, LookupOutcome::NotFound)
            << code.toStdString() << ": " << result.error.toStdString();
    }

    void expectFailureWithoutReply(const QString& path, const QString& code = QStringLiteral("1")) {
        const PriceReply result = lookupPrice(code, {path, QStringLiteral("R$"), kBrazil});
        EXPECT_EQ(result.outcome, LookupOutcome::Failed);
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_TRUE(result.description.empty() && result.price.empty());
        lastError = result.error;
    }

    TestDatabase db;
    QString lastError;
};

}  // namespace

TEST_F(Lookup, AnswersDescriptionInWindows1252AndFormattedPrice) {
    db.createTables();
    db.addItem(1, "'Açúcar Refinado União 1kg'", "1234.5");
    db.addCode("7891910000197", 1);

    const Reply reply = price(QStringLiteral("7891910000197"));
    EXPECT_EQ(reply.description,
              "A\xE7\xFA"
              "car Refinado Uni\xE3o 1kg");
    EXPECT_EQ(reply.price, "R$1.234,50");
    EXPECT_EQ(db.otherAttachments(), 0);
}

TEST_F(Lookup, RoundsHalfToEvenWithTheRegionalSeparators) {
    db.createTables();
    const struct {
        const char* code;
        const char* stored;
        const char* brazil;
        const char* us;
    } cases[] = {
        {"1", "2.345", "R$2,34", "R$2.34"},
        {"2", "2.355", "R$2,36", "R$2.36"},
        {"3", "-1", "R$-1,00", "R$-1.00"},
        {"4", "0", "R$0,00", "R$0.00"},
        {"5", "NULL", "R$0,00", "R$0.00"},
        {"6", "1234567.125", "R$1.234.567,12", "R$1,234,567.12"},
        {"7", "-0.005", "R$0,00", "R$0.00"},
        {"8", "999.995", "R$1.000,00", "R$1,000.00"},
    };
    int item = 0;
    for (const auto& c : cases) {
        db.addItem(++item, "'Produto'", c.stored);
        db.addCode(c.code, item);
    }
    for (const auto& c : cases) {
        EXPECT_EQ(price(QLatin1String(c.code)).price, c.brazil) << c.stored;
        EXPECT_EQ(price(QLatin1String(c.code), QStringLiteral("R$"), kUs).price, c.us) << c.stored;
    }
    db.addItem(++item, "'Produto'", "3");
    db.addCode("9", item);
    EXPECT_EQ(price(QStringLiteral("9"), QStringLiteral("US$ ")).price, "US$ 3,00");
    EXPECT_EQ(price(QStringLiteral("9"), QStringLiteral("\u20AC")).price,
              "\x80"
              "3,00");
}

TEST_F(Lookup, UnknownOrEmptyCodeAnswersNotFound) {
    db.createTables();
    db.addItem(1, "'Produto'", "1");
    db.addCode("7891000100103", 1);
    expectNotFound(QStringLiteral("7890000000000"));
    expectNotFound(QString());
    EXPECT_EQ(db.otherAttachments(), 0);
}

TEST_F(Lookup, EmptyPathDoesNothing) {
    const PriceReply result =
        lookupPrice(QStringLiteral("1"), {QString(), QStringLiteral("R$"), kBrazil});
    EXPECT_EQ(result.outcome, LookupOutcome::Skipped);
}

TEST_F(Lookup, TwoRowsForOneCodeAnswerOnlyTheFirst) {
    db.createTables("NUMERIC(18,3)", "VARCHAR(200) NOT NULL", /*codeIsKey=*/false);
    db.addItem(1, "'Primeiro'", "1");
    db.addItem(2, "'Segundo'", "2");
    db.addCode("555", 1);
    db.addCode("555", 2);
    const Reply reply = price(QStringLiteral("555"));
    EXPECT_EQ(reply.description, "Primeiro");
    EXPECT_EQ(reply.price, "R$1,00");
}

TEST_F(Lookup, NullDescriptionIsEmptyAndLongTextsAreCutAt100Bytes) {
    db.createTables("NUMERIC(18,3)", "VARCHAR(200)");
    db.addItem(1, "NULL", "NULL");
    db.addCode("1", 1);
    const std::string longText(30, 'x');
    // 150 characters, accented ones included: one byte each in Windows-1252.
    const std::string description = std::string(40, 'a') + "ção" + std::string(107, 'b');
    db.addItem(2, "'" + description + "'", "10");
    db.addCode("2", 2);

    const Reply empty = price(QStringLiteral("1"));
    EXPECT_EQ(empty.description, "");
    EXPECT_EQ(empty.price, "R$0,00");

    const Reply cut = price(QStringLiteral("2"), QString(120, QLatin1Char('$')));
    EXPECT_EQ(cut.description, std::string(40, 'a') + "\xE7\xE3o" + std::string(57, 'b'));
    EXPECT_EQ(cut.price, std::string(100, '$'));
}

TEST_F(Lookup, CodesThatAreNotNumbersAreMatchedAsPlainText) {
    db.createTables();
    db.addItem(1, "'Injetado'", "1");
    db.addItem(2, "'Aspas'", "2");
    db.addItem(3, "'Café'", "3");
    db.addItem(4, "'Numérico'", "4");
    db.addCode("1 OR 1=1", 1);
    db.addCode("' OR ''='", 2);
    db.addCode("CAFÉ-01", 3);
    db.addCode("7891000100103", 4);

    EXPECT_EQ(price(QStringLiteral("1 OR 1=1")).description, "Injetado");
    EXPECT_EQ(price(QStringLiteral("' OR ''='")).description, "Aspas");
    // Trailing blanks compare equal in SQL, even beyond the column's width.
    EXPECT_EQ(price(QStringLiteral("1 OR 1=1") + QString(20, QLatin1Char(' '))).description,
              "Injetado");
    EXPECT_EQ(price(QStringLiteral("CAFÉ-01")).description, "Caf\xE9");
    expectNotFound(QStringLiteral("0; DELETE FROM PDV_CODIGOBARRAS"));
    expectNotFound(QStringLiteral("1; DELETE FROM PDV_CODIGOBARRAS"));
    expectNotFound(QStringLiteral("0 OR 1=1"));
    expectNotFound(QStringLiteral("' OR '1'='1"));
    expectNotFound(QStringLiteral("café-01"));
    expectNotFound(QString(300, QLatin1Char('9')) + QLatin1Char('x'));
    EXPECT_EQ(db.count("PDV_CODIGOBARRAS"), 4);
    EXPECT_EQ(db.count("PDV_ITENSRESUMIDO"), 4);
    EXPECT_EQ(db.otherAttachments(), 0);
}

// Digit-only codes are tried by exact text first; a miss must still reach the numeric
// comparison, which ignores leading zeros on either side, and a stored code that is not
// a number must not break it. An empty description means "not found".
TEST_F(Lookup, DigitCodesFindStoredCodesWithOtherLeadingZeros) {
    const struct {
        std::vector<std::pair<const char*, const char*>> stored;  // code, description
        std::vector<std::pair<const char*, const char*>> scans;   // code, expected
    } cases[] = {
        {{{"ABC-123", "Interno"},
          {"0012345", "Zeros guardados"},
          {"67890", "Sem zeros"},
          {"7891000100103", "EAN"},
          {"0", "Zero"}},
         {{"12345", "Zeros guardados"},
          {"0012345", "Zeros guardados"},
          {"000000000000000000000012345", "Zeros guardados"},
          {"0067890", "Sem zeros"},
          {"0000000000000000000000000067890", "Sem zeros"},
          {"7891000100103", "EAN"},
          {"000", "Zero"},
          {"ABC-123", "Interno"},
          {"123", ""},
          {"1234", ""},
          {"7891000100104", ""}}},
        // Both spellings stored: each scan answers the one stored exactly as scanned.
        {{{"0012345", "Zeros guardados"},
          {"67890", "Sem zeros"},
          {"777", "Curto"},
          {"000777", "Longo"}},
         {{"12345", "Zeros guardados"},
          {"012345", "Zeros guardados"},
          {"67890", "Sem zeros"},
          {"777", "Curto"},
          {"000777", "Longo"},
          {"0012346", ""}}},
    };
    for (const auto& c : cases) {
        TestDatabase table;
        table.createTables();
        int item = 0;
        for (const auto& [code, description] : c.stored) {
            ++item;
            table.addItem(item, "'" + std::string(description) + "'", std::to_string(item));
            table.addCode(code, item);
        }
        for (const auto& [code, expected] : c.scans) {
            const PriceReply reply = lookupPrice(QString::fromLatin1(code),
                                                 {table.path(), QStringLiteral("R$"), kBrazil});
            EXPECT_EQ(reply.description, expected) << code << ": " << reply.error.toStdString();
            EXPECT_EQ(reply.outcome, *expected ? LookupOutcome::Price : LookupOutcome::NotFound)
                << code;
        }
        EXPECT_EQ(table.otherAttachments(), 0);
    }
}

TEST_F(Lookup, DigitCodesBeyondA64BitNumberAreAnsweredNotFailed) {
    db.createTables();
    db.addItem(1, "'Código longo'", "5");
    db.addItem(2, "'No limite'", "6");
    db.addCode("12345678901234567890", 1);
    db.addCode("9223372036854775807", 2);

    EXPECT_EQ(price(QStringLiteral("12345678901234567890")).description,
              "C\xF3"
              "digo longo");
    EXPECT_EQ(price(QStringLiteral("0012345678901234567890")).description,
              "C\xF3"
              "digo longo");
    EXPECT_EQ(price(QStringLiteral("09223372036854775807")).description, "No limite");
    expectNotFound(QStringLiteral("9223372036854775808"));
    expectNotFound(QStringLiteral("1234567890123456789012345"));
    expectNotFound(QStringLiteral("12345678901234567890123456"));  // longer than the column
    EXPECT_EQ(db.otherAttachments(), 0);
}

// The high-volume mode finds digit codes through the index only, up to the column's
// 25 characters.  The numeric statement also matches a blank or a decimal point, unless
// a stored code that is not a number, met first, sends it to the same spellings.
TEST(LeadingZeroSpellings, ReachTheColumnsWidthInBothModes) {
    const std::tuple<std::string, const char*, bool> cases[] = {
        {"0000000000000000000012345", "12345", false},
        {"777", "000777", false},
        {" 888", "888", true},
        {"999.0", "999", true},
    };
    const QString odd = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY");  // the column's full width
    for (const bool oddRow : {false, true}) {
        TestDatabase db;
        db.createTables();
        db.addItem(1, "'Odd'", "1");
        if (oddRow)
            db.addCode(odd.toStdString(), 1);
        int item = 1;
        for (const auto& [stored, scanned, onlyByNumber] : cases) {
            db.addItem(++item, "'" + stored + "'", "1");
            db.addCode(stored, item);
        }
        auto connection = FbConnection::attach(db.path());
        ASSERT_TRUE(connection.ok());
        EXPECT_EQ(lookupPrice(odd, {db.path(), {}, kBrazil}).description, oddRow ? "Odd" : "");
        for (const auto& [stored, scanned, onlyByNumber] : cases) {
            const PriceReply full = lookupPrice(QLatin1String(scanned), {db.path(), {}, kBrazil});
            EXPECT_EQ(full.description == stored, !oddRow || !onlyByNumber) << stored;
            const auto indexed = findProduct(*connection, QLatin1String(scanned),
                                             DigitFallback::LeadingZeroSpellings);
            ASSERT_TRUE(indexed.ok()) << indexed.error().message.toStdString();
            EXPECT_EQ(indexed.value().has_value(), !onlyByNumber) << stored;
        }
    }
}

// A label found nowhere as scanned is looked up by its short code, stored with other
// leading zeros too: a price label answers its own price, a weight label the catalogue's.
TEST_F(Lookup, ScaleLabelsAnswerTheProductOfTheirShortCodeInBothModes) {
    db.createTables();
    db.addItem(1, "'Queijo Prato kg'", "49.90");
    db.addItem(2, "'Presunto kg'", "39.90");
    db.addItem(3, "'Bolo Inteiro'", "25.00");
    for (const auto& [code, item] :
         {std::pair{"123", 1}, {"777", 1}, {"0425", 2}, {"2200777005002", 3}})
        db.addCode(code, item);
    LookupSettings settings{db.path(), QStringLiteral("R$"), kBrazil};
    for (const char* format : {"prefix:21-23;length:13;code:3,5;value:8,5;kind:price",
                               "prefix:20;length:13;code:3,5;value:8,5;kind:weight"})
        settings.scaleFormats.push_back(*parseScaleFormat(QString::fromLatin1(format)));
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"2300123019995", "Queijo Prato kg", "R$19,99"},
        {"2000425012501", "Presunto kg", "R$39,90"},
        {"2200777005002", "Bolo Inteiro", "R$25,00"},  // stored as scanned: not a label
        {"2100999001007", nullptr, nullptr},           // no such short code
        {"2300123019994", nullptr, nullptr},           // wrong check digit
    };
    KeptConnection kept;
    for (const auto& [code, description, priceText] : cases) {
        for (const PriceReply& reply : {lookupPrice(QLatin1String(code), settings),
                                        kept.lookup(QLatin1String(code), settings)}) {
            EXPECT_EQ(reply.outcome, description ? LookupOutcome::Price : LookupOutcome::NotFound)
                << code << ": " << reply.error.toStdString();
            EXPECT_EQ(reply.description + reply.price,
                      description ? std::string(description) + priceText : "")
                << code;
        }
    }
    settings.scaleFormats.clear();
    EXPECT_EQ(lookupPrice(QStringLiteral("2300123019995"), settings).outcome,
              LookupOutcome::NotFound);
}

TEST_F(Lookup, MissingOrDamagedDatabaseFailsWithTheClientsMessage) {
    const QString missing = db.folder() + QStringLiteral("/missing.fdb");
    expectFailureWithoutReply(missing);
    EXPECT_TRUE(lastError.contains(missing)) << lastError.toStdString();

    const QString damaged = db.folder() + QStringLiteral("/damaged.fdb");
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(64 * 1024, '\x5A'));
    }
    expectFailureWithoutReply(damaged);

    // Nothing holds on to the damaged file: it can be replaced and used at once.
    ASSERT_TRUE(QFile::remove(damaged));
    TestDatabase::create(damaged);
    EXPECT_EQ(lookupPrice(QStringLiteral("1"), {damaged, QString(), kBrazil}).outcome,
              LookupOutcome::Failed);  // no tables yet: the statement fails
}

TEST_F(Lookup, ResultColumnsOfTheWrongKindFail) {
    db.createTables("VARCHAR(20)");
    db.addItem(1, "'Produto'", "'12,50'");
    db.addCode("1", 1);
    expectFailureWithoutReply(db.path());
    EXPECT_TRUE(lastError.contains(QStringLiteral("ITR_VLR_VENDA"))) << lastError.toStdString();
    EXPECT_EQ(db.otherAttachments(), 0);

    TestDatabase numericDescription;
    numericDescription.createTables("NUMERIC(18,3)", "INTEGER");
    expectFailureWithoutReply(numericDescription.path());
    EXPECT_TRUE(lastError.contains(QStringLiteral("ITR_DESCRICAO"))) << lastError.toStdString();

    TestDatabase noTables;
    expectFailureWithoutReply(noTables.path());
    EXPECT_TRUE(lastError.contains(QStringLiteral("PDV_CODIGOBARRAS"))) << lastError.toStdString();
    EXPECT_EQ(noTables.otherAttachments(), 0);
}

TEST_F(Lookup, PricesOfOtherNumericTypesAreRead) {
    const struct {
        const char* type;
        const char* stored;
        const char* shown;
    } cases[] = {
        {"NUMERIC(9,2)", "1234.56", "R$1.234,56"},
        {"NUMERIC(4,2)", "-12.35", "R$-12,35"},
        {"INTEGER", "7", "R$7,00"},
        {"BIGINT", "9223372036854775807", "R$9.223.372.036.854.775.807,00"},
        {"NUMERIC(18,6)", "2.345000", "R$2,34"},
        {"DOUBLE PRECISION", "24.9", "R$24,90"},
        {"FLOAT", "2.5", "R$2,50"},
    };
    for (const auto& c : cases) {
        TestDatabase typed;
        typed.createTables(c.type);
        typed.addItem(1, "'Produto'", c.stored);
        typed.addCode("1", 1);
        const PriceReply result =
            lookupPrice(QStringLiteral("1"), {typed.path(), QStringLiteral("R$"), kBrazil});
        ASSERT_EQ(result.outcome, LookupOutcome::Price)
            << c.type << ": " << result.error.toStdString();
        EXPECT_EQ(result.price, c.shown) << c.type;
    }
}

TEST_F(Lookup, ExtremeStoredPricesDoNotOverflow) {
    db.createTables();
    db.addItem(1, "'Maior'", "999999999999999.999");
    db.addItem(2, "'Menor'", "-999999999999999.999");
    db.addItem(3, "'Limite'", "9223372036854775.807");
    db.addItem(4, "'Limite negativo'", "-9223372036854775.807 - 0.001");
    for (int item = 1; item <= 4; ++item)
        db.addCode(std::to_string(item), item);
    EXPECT_EQ(price(QStringLiteral("1")).price, "R$1.000.000.000.000.000,00");
    EXPECT_EQ(price(QStringLiteral("2")).price, "R$-1.000.000.000.000.000,00");
    EXPECT_EQ(price(QStringLiteral("3")).price, "R$9.223.372.036.854.775,81");
    EXPECT_EQ(price(QStringLiteral("4")).price, "R$-9.223.372.036.854.775,81");
}

TEST(DatabaseConnection, TestAttachesAndDetachesOrReportsTheClientsMessage) {
    TestDatabase db;
    EXPECT_TRUE(testDatabaseConnection(db.path()).ok());
    EXPECT_EQ(db.otherAttachments(), 0);

    const QString missing = db.folder() + QStringLiteral("/missing.fdb");
    const auto failed = testDatabaseConnection(missing);
    ASSERT_FALSE(failed.ok());
    EXPECT_TRUE(failed.error().message.contains(missing)) << failed.error().message.toStdString();
    EXPECT_FALSE(testDatabaseConnection(QString()).ok());
}
