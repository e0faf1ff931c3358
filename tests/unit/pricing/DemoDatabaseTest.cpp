#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "platform/Cp1252.h"
#include "pricing/ConnectionTest.h"
#include "pricing/LookupPrice.h"

using namespace tarifon;

namespace {

struct DemoProduct {
    QStringList codes;
    QString shown;
    QString description;
};

// The product list that scripts/make-demo-db loads, with the price each product
// must show.
std::vector<DemoProduct> demoProducts() {
    QFile file(QStringLiteral(TARIFON_SOURCE_DIR "/scripts/demo-products.tsv"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    std::vector<DemoProduct> products;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QStringList fields = QString::fromUtf8(line).split(QLatin1Char('\t'));
        EXPECT_EQ(fields.size(), 5) << line.toStdString();
        if (fields.size() != 5)
            continue;
        products.push_back({fields[1].split(QLatin1Char(',')), fields[3], fields[4]});
    }
    return products;
}

QString runScript(const QStringList& arguments, int* exitCode) {
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral(TARIFON_SOURCE_DIR "/scripts/make-demo-db"), arguments);
    EXPECT_TRUE(script.waitForFinished(120000));
    *exitCode = script.exitStatus() == QProcess::NormalExit ? script.exitCode() : -1;
    return QString::fromLocal8Bit(script.readAll());
}

}  // namespace

TEST(DemoDatabase, EveryProductIsAnsweredWithItsDescriptionAndPrice) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("demo.fdb"));
    int exitCode = 0;
    const QString output = runScript({path}, &exitCode);
    ASSERT_EQ(exitCode, 0) << output.toStdString();

    const std::vector<DemoProduct> products = demoProducts();
    ASSERT_GE(products.size(), 30u);
    const Separators brazil{QStringLiteral("."), QStringLiteral(",")};
    for (const DemoProduct& product : products) {
        for (const QString& code : product.codes) {
            const PriceReply reply = lookupPrice(code, {path, QStringLiteral("R$"), brazil});
            ASSERT_EQ(reply.outcome, LookupOutcome::Price)
                << code.toStdString() << ": " << reply.error.toStdString();
            EXPECT_EQ(reply.description, cp1252::encode(product.description).substr(0, 100))
                << code.toStdString();
            EXPECT_EQ(reply.price, "R$" + product.shown.toStdString()) << code.toStdString();
        }
    }

    // "Açúcar" as Windows-1252 bytes, and a stored code with leading zeros found by number.
    EXPECT_EQ(lookupPrice(QStringLiteral("7891910000197"), {path, QString(), brazil})
                  .description.substr(0, 6),
              "A\xE7\xFA"
              "car");
    EXPECT_EQ(lookupPrice(QStringLiteral("7891234567"), {path, QString(), brazil}).outcome,
              LookupOutcome::Price);
    EXPECT_EQ(lookupPrice(QStringLiteral("7890000000000"), {path, QString(), brazil}).outcome,
              LookupOutcome::NotFound);
}

TEST(DemoDatabase, ScriptKeepsAnExistingFileUnlessForced) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("demo.fdb"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    int exitCode = 0;
    runScript({path}, &exitCode);
    EXPECT_NE(exitCode, 0);
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));
    kept.close();

    const QString output = runScript({QStringLiteral("--force"), path}, &exitCode);
    ASSERT_EQ(exitCode, 0) << output.toStdString();
    EXPECT_TRUE(testDatabaseConnection(path).ok());
    // Only the database itself is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("demo.fdb")});
}
