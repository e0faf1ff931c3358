#include "app/SettingsFile.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include <QRegularExpression>

#include "platform/IniFile.h"
#include "platform/IntText.h"
#include "pricing/LookupService.h"
#include "pricing/ScaleFormatText.h"

namespace tarifon {

namespace {

const QString kGeneral = QStringLiteral("GENERAL");
const QString kMessage = QStringLiteral("MESSAGE");
const QString kCaminho = QStringLiteral("CAMINHO");
const QString kIniciar = QStringLiteral("INICIAR");
const QString kCurrency = QStringLiteral("currency");
const QString kPriceLocale = QStringLiteral("price_locale");
const QString kLine1 = QStringLiteral("line1");
const QString kLine2 = QStringLiteral("line2");
const QString kTimeEx = QStringLiteral("timeex");
const QString kBd = QStringLiteral("bd");
// The start-hidden choice lives under a key whose name is empty.
const QString kIniciarKey;
const QString kPerformance = QStringLiteral("PERFORMANCE");
const QString kHighVolume = QStringLiteral("high_volume");
const QString kWorkers = QStringLiteral("workers");
const QString kIdleMs = QStringLiteral("idle_ms");
const QString kConnectTimeout = QStringLiteral("connect_timeout_s");
const QString kDebug = QStringLiteral("DEBUG");
const QString kUiProbe = QStringLiteral("ui_probe");
const QString kWindow = QStringLiteral("WINDOW");
const QString kAllPages = QStringLiteral("all_pages");
// No value can hold a line break: what a missing key reads as.
const QString kAbsent = QStringLiteral("\n");

const QString kBalanca = QStringLiteral("BALANCA");

constexpr int32_t kDefaultTimeEx = 4;

ScaleSettings loadScale(const IniFile& ini) {
    static const QRegularExpression formatKey(QStringLiteral("^format[0-9]+$"),
                                              QRegularExpression::CaseInsensitiveOption);
    ScaleSettings scale;
    for (const QString& key : ini.keys(kBalanca)) {
        const QString text = ini.value(kBalanca, key, QString());
        scale.entries.emplace_back(key, text);
        const auto skipped = [&](const QString& why) {
            scale.problems << QStringLiteral("[%1] %2 skipped: %3").arg(kBalanca, key, why);
        };
        if (!formatKey.match(key).hasMatch()) {
            skipped(QStringLiteral("not a format key (format1, format2, ...)"));
            continue;
        }
        const Result<ScaleFormat, QString> format = parseScaleFormat(text);
        if (format)
            scale.formats.push_back(*format);
        else
            skipped(format.error());
    }
    return scale;
}

// A missing key is nullopt; a value that does not convert reads as `def`.
std::optional<int32_t> number(const IniFile& ini, const QString& section, const QString& key,
                              int32_t def) {
    const QString text = ini.value(section, key, kAbsent);
    if (text == kAbsent)
        return std::nullopt;
    return strToIntDef(text, def);
}

PerformanceSettings loadPerformance(const IniFile& ini) {
    PerformanceSettings p;
    const auto highVolume = number(ini, kPerformance, kHighVolume, 0);
    const auto workers = number(ini, kPerformance, kWorkers, p.workers);
    const auto idleMs = number(ini, kPerformance, kIdleMs, p.idleMs);
    const auto timeout = number(ini, kPerformance, kConnectTimeout, p.connectTimeoutS);
    p.inFile = highVolume || workers || idleMs || timeout;
    p.highVolume = highVolume.value_or(0) != 0;
    p.workers = std::clamp(workers.value_or(p.workers), 0, LookupService::kMaxWorkers);
    p.idleMs = std::clamp(idleMs.value_or(p.idleMs), 0, PerformanceSettings::kMaxIdleMs);
    p.connectTimeoutS = std::clamp(timeout.value_or(p.connectTimeoutS), 1,
                                   PerformanceSettings::kMaxConnectTimeoutS);
    p.uiProbe = number(ini, kDebug, kUiProbe, 0).value_or(0) != 0;
    return p;
}

}  // namespace

Settings loadSettings(const QString& iniPath) {
    const IniFile ini = IniFile::load(iniPath);
    Settings s;
    s.currency = ini.value(kGeneral, kCurrency, QStringLiteral("R$"));
    s.priceLocale = ini.value(kGeneral, kPriceLocale, QString());
    s.line1 = ini.value(kMessage, kLine1, QStringLiteral("Gande Promoção"));
    s.line2 = ini.value(kMessage, kLine2, QStringLiteral("Não Perca!"));
    const QString timeex = ini.value(kMessage, kTimeEx, QString::number(kDefaultTimeEx));
    s.timeex = QString::number(strToIntDef(timeex, kDefaultTimeEx));
    s.bd = ini.value(kCaminho, kBd, QString());
    s.lcbo_Iniciar = strToIntDef(ini.value(kIniciar, kIniciarKey, QStringLiteral("0")), 0) != 0;
    s.scale = loadScale(ini);
    s.performance = loadPerformance(ini);
    s.allPages = number(ini, kWindow, kAllPages, 0).value_or(0) != 0;
    return s;
}

QStringList saveSettings(const QString& iniPath, const Settings& settings) {
    QStringList problems;
    const auto write = [&](const QString& section, const QString& key, const QString& value) {
        if (const Result<void> written = IniFile::writeString(iniPath, section, key, value);
            !written)
            problems << QStringLiteral("cannot write [%1] %2: %3")
                            .arg(section, key, QString::fromStdString(written.error()));
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
    for (const auto& [key, text] : settings.scale.entries)
        write(kBalanca, key, text);
    if (const PerformanceSettings& p = settings.performance; p.inFile) {
        write(kPerformance, kHighVolume, p.highVolume ? QStringLiteral("1") : QStringLiteral("0"));
        write(kPerformance, kWorkers, QString::number(p.workers));
        write(kPerformance, kIdleMs, QString::number(p.idleMs));
        write(kPerformance, kConnectTimeout, QString::number(p.connectTimeoutS));
    }
    return problems;
}

}  // namespace tarifon
