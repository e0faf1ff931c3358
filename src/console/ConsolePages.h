#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <termlink.h>

#include "console/ConsoleStats.h"

// The pages the terminal library serves for the program on its web port: the status page
// (HTML in the window's language), the metrics (Prometheus text exposition) and the health
// check.  Pure functions of what the program knows.
namespace tarifon::console {

struct Page {
    int status = 200;
    std::string contentType;
    std::string body;
};

// The status page's texts, UTF-8: the language file's [STATUS] section once the operator
// chooses a language; until then Portuguese, as the window starts.  `language` is the page's
// lang attribute.
struct ConsoleTexts {
    std::string language = "pt-BR";
    std::string title = "Tarifon: estado";
    std::string terminals = "Terminais conectados";
    std::string noTerminals = "Nenhum terminal conectado.";
    std::string address = "Endereço";
    std::string model = "Modelo";
    std::string transport = "Transporte";
    std::string connectedSince = "Conectado desde";
    std::string lastScan = "Última leitura";
    std::string answer = "Resposta";
    std::string chart = "Leituras por minuto, última hora";
    std::string counts = "Leituras desde o início";
    std::string found = "Encontrados";
    std::string notFound = "Não encontrados";
    std::string failed = "Falhas";
    std::string database = "Banco de dados";
    std::string path = "Caminho";
    std::string lastResult = "Último acesso";
    std::string ok = "com sucesso";
    std::string noAccess = "nenhum ainda";
    std::string topNotFound = "Códigos mais procurados e não encontrados";
    std::string code = "Código";
    std::string times = "Vezes";
    std::string eventLog = "Registro de eventos";
    std::string started = "Em funcionamento desde";
};

// What the terminal library counts, read with one call (TERMLINK_COUNTER_*).
using LibraryCounters = std::array<uint64_t, TERMLINK_COUNTERS>;

struct StatusFacts {
    std::string databasePath;                                // UTF-8
    std::vector<std::pair<std::string, uint64_t>> notFound;  // the most frequent first
    Clock::time_point now;
};

inline constexpr int kStatusRefreshSeconds = 10;
inline constexpr size_t kTopNotFound = 20;

Page statusPage(const Stats& stats, const StatusFacts& facts, const ConsoleTexts& texts);

struct MetricsFacts {
    LibraryCounters library{};
    uint64_t notFoundCodes = 0;  // distinct codes in the not-found report
    std::string version;
};
Page metricsPage(const Stats& stats, const MetricsFacts& facts);

// 200 while the terminal server listens and no database access failed since the last one
// that succeeded; 503 with the reason on one line otherwise.
Page healthPage(const Stats& stats, bool listening);

// The page for a path the library forwarded; 404 for one of none of them.
struct PageInputs {
    const Stats& stats;
    const ConsoleTexts& texts;
    bool listening = false;
    // Called only for the page that needs them.
    std::function<StatusFacts()> statusFacts;
    std::function<MetricsFacts()> metricsFacts;
};
Page page(std::string_view path, const PageInputs& inputs);

}  // namespace tarifon::console
