#include "app/SettingsFile.h"

#include "platform/IniFile.h"
#include "platform/IntText.h"

namespace tarifon {

namespace {

const QString kGeneral = QStringLiteral("GENERAL");
const QString kMessage = QStringLiteral("MESSAGE");
const QString kCaminho = QStringLiteral("CAMINHO");
const QString kIniciar = QStringLiteral("INICIAR");
const QString kCurrency = QStringLiteral("currency");
const QString kLine1 = QStringLiteral("line1");
const QString kLine2 = QStringLiteral("line2");
const QString kTimeEx = QStringLiteral("timeex");
const QString kBd = QStringLiteral("bd");
// The start-hidden choice lives under a key whose name is empty.
const QString kIniciarKey;

constexpr int32_t kDefaultTimeEx = 4;

}  // namespace

Settings loadSettings(const QString& iniPath) {
    const IniFile ini = IniFile::load(iniPath);
    Settings s;
    s.currency = ini.value(kGeneral, kCurrency, QStringLiteral("R$"));
    s.line1 = ini.value(kMessage, kLine1, QStringLiteral("Gande Promoção"));
    s.line2 = ini.value(kMessage, kLine2, QStringLiteral("Não Perca!"));
    const QString timeex = ini.value(kMessage, kTimeEx, QString::number(kDefaultTimeEx));
    s.timeex = QString::number(strToIntDef(timeex, kDefaultTimeEx));
    s.bd = ini.value(kCaminho, kBd, QString());
    s.lcbo_Iniciar = strToIntDef(ini.value(kIniciar, kIniciarKey, QStringLiteral("0")), 0) != 0;
    return s;
}

QStringList saveSettings(const QString& iniPath, const Settings& settings) {
    QStringList problems;
    const auto write = [&](const QString& section, const QString& key, const QString& value) {
        if (!IniFile::writeString(iniPath, section, key, value))
            problems << QStringLiteral("cannot write [%1] %2").arg(section, key);
    };
    write(kGeneral, kCurrency, settings.currency);
    write(kMessage, kLine1, settings.line1);
    write(kMessage, kLine2, settings.line2);
    if (const Result<int32_t, QString> timeex = typedInteger(settings.timeex))
        write(kMessage, kTimeEx, QString::number(*timeex));
    else
        problems << timeex.error();
    write(kCaminho, kBd, settings.bd);
    write(kIniciar, kIniciarKey, settings.lcbo_Iniciar ? QStringLiteral("1") : QStringLiteral("0"));
    return problems;
}

}  // namespace tarifon
