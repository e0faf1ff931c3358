// bench_catalog: builds a point-of-sale database of N barcodes for the benchmarks,
// with realistic EAN-13 codes and descriptions, plus a file of codes to scan
// (mostly codes of the catalog, some unknown ones).
//
//   bench_catalog --version
//   bench_catalog --barcodes N --database PATH --codes PATH [--scan-codes M]
//
// Rows go in through one prepared INSERT executed many times in one transaction;
// the primary keys are added after loading so each index is built in one pass.
// Both files are written beside their final names and renamed into place, so an
// interrupted run leaves nothing that looks finished.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include <ibase.h>

#include <QString>

#include "platform/Cp1252.h"
#include "ExitOnError.h"
#include "pricing/FbConnection.h"
#include "pricing/FbStatement.h"
#include "pricing/FbStatus.h"
#include "pricing/FbTransaction.h"

using namespace tarifon;

namespace {

using bench::check;
using bench::die;
using bench::take;

// Bump whenever the generated content changes, so cached catalogs are rebuilt.
constexpr int kVersion = 1;

constexpr char kUser[] = "SYSDBA";
constexpr char kPassword[] = "quartzfig";

// One barcode in this many belongs to an item that already has one (multipacks).
constexpr uint64_t kExtraCodeEvery = 20;
// One barcode in this many is a UPC-A code stored as 13 digits with a leading zero.
constexpr uint64_t kUpcEvery = 50;
// One scanned code in this many is not in the catalog.
constexpr uint64_t kUnknownEvery = 10;

// Deterministic, so the same size always gives the same catalog.
struct SplitMix64 {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    uint64_t below(uint64_t n) { return next() % n; }
};

std::string digits(uint64_t value, int width) {
    std::string text(static_cast<size_t>(width), '0');
    for (int i = width - 1; i >= 0 && value > 0; --i, value /= 10)
        text[static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
    return text;
}

// GS1 check digit over the first 12 digits.
std::string withCheckDigit(const std::string& twelve) {
    int sum = 0;
    for (size_t i = 0; i < twelve.size(); ++i)
        sum += (twelve[i] - '0') * (i % 2 == 0 ? 1 : 3);
    return twelve + static_cast<char>('0' + (10 - sum % 10) % 10);
}

// Distinct for every index below 10^9: 3^18 is coprime with 10^9.
uint64_t body(uint64_t index) {
    return (index * 387420489ULL + 123456789ULL) % 1000000000ULL;
}

// Brazilian EAN-13 codes, and now and then a UPC-A code as cash registers store it.
std::string barcode(uint64_t index) {
    if (index % kUpcEvery == kUpcEvery - 1)
        return withCheckDigit("012" + digits(body(index), 9));
    return withCheckDigit("789" + digits(body(index), 9));
}

// Argentinian prefix: valid EAN-13 codes that the catalog never holds.
std::string unknownBarcode(SplitMix64& random) {
    return withCheckDigit("779" + digits(random.below(1000000000ULL), 9));
}

const std::vector<const char*> kProducts = {
    "Arroz Tipo 1",
    "Feijão Carioca",
    "Café Torrado e Moído",
    "Açúcar Refinado",
    "Leite UHT Integral",
    "Óleo de Soja",
    "Macarrão Espaguete",
    "Farinha de Trigo",
    "Biscoito Cream Cracker",
    "Molho de Tomate",
    "Sabão em Pó",
    "Detergente Líquido",
    "Papel Higiênico Folha Dupla",
    "Creme Dental",
    "Sabonete Glicerinado",
    "Refrigerante Cola",
    "Suco de Laranja",
    "Água Mineral sem Gás",
    "Cerveja Pilsen",
    "Chocolate ao Leite",
    "Margarina com Sal",
    "Queijo Muçarela Fatiado",
    "Presunto Cozido",
    "Iogurte Natural",
    "Achocolatado em Pó",
    "Sal Refinado",
    "Vinagre de Álcool",
    "Amaciante de Roupas",
    "Shampoo Anticaspa",
    "Ração para Cães Adultos",
    "Pão de Forma",
    "Maionese Tradicional",
};
const std::vector<const char*> kBrands = {
    "Bom Grão", "Serra Azul",  "Vale Dourado", "Sabor da Terra", "Estrela do Sul",
    "Boa Mesa", "Campo Verde", "Três Irmãos",  "São Jorge",      "Dona Benta Nova",
    "Primor",   "Líder",       "Maré Alta",
};
const std::vector<const char*> kSizes = {"500g",  "1kg",   "5kg", "200g", "1L",    "2L",
                                         "350ml", "12 un", "90g", "400g", "2,5kg", "6 x 1L"};

std::string description(SplitMix64& random) {
    std::string text = std::string(kProducts[random.below(kProducts.size())]) + " " +
                       kBrands[random.below(kBrands.size())] + " " +
                       kSizes[random.below(kSizes.size())];
    // Now and then a description longer than the terminal's 100 bytes.
    if (random.below(200) == 0)
        text +=
            " - embalagem econômica promocional, leve mais e pague menos, válida enquanto "
            "durarem os estoques da loja";
    return cp1252::encode(QString::fromUtf8(text.c_str()));
}

// Mostly whole cents; weighed goods carry a third decimal.
std::string price(SplitMix64& random) {
    const uint64_t cents = 49 + random.below(49951);
    const uint64_t thousandths = cents * 10 + (random.below(10) == 0 ? random.below(10) : 0);
    return std::to_string(thousandths / 1000) + "." + digits(thousandths % 1000, 3);
}

void createDatabase(const std::string& path) {
    const std::string sql = "CREATE DATABASE '" + path + "' USER '" + kUser + "' PASSWORD '" +
                            kPassword + "' PAGE_SIZE 16384 DEFAULT CHARACTER SET WIN1252";
    ISC_STATUS_ARRAY status{};
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    isc_dsql_execute_immediate(status, &db, &tr, 0, sql.c_str(), SQL_DIALECT_V6, nullptr);
    if (fbFailed(status))
        die("create " + path, fbError(status));
    isc_detach_database(status, &db);
}

// Synchronous page writes cost far more than the data here is worth: a broken
// catalog is simply built again.
void disableForcedWrites(const std::string& path) {
    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    for (auto [item, value] : {std::pair{isc_dpb_user_name, std::string(kUser)},
                               std::pair{isc_dpb_password, std::string(kPassword)}}) {
        dpb.push_back(static_cast<char>(item));
        dpb.push_back(static_cast<char>(value.size()));
        dpb += value;
    }
    dpb += {static_cast<char>(isc_dpb_force_write), 1, 0};
    ISC_STATUS_ARRAY status{};
    isc_db_handle db = 0;
    isc_attach_database(status, static_cast<short>(path.size()), path.c_str(), &db,
                        static_cast<short>(dpb.size()), dpb.data());
    if (fbFailed(status))
        die("attach " + path, fbError(status));
    isc_detach_database(status, &db);
}

void executeAndCommit(const FbConnection& connection, const std::vector<std::string>& statements) {
    auto transaction = take(FbTransaction::startReadWrite(connection), "start");
    for (const std::string& sql : statements)
        check(transaction.executeImmediate(sql), sql);
    check(transaction.commit(), "commit");
}

struct Counts {
    uint64_t items = 0;
    uint64_t barcodes = 0;
};

Counts load(const FbConnection& connection, uint64_t barcodes) {
    executeAndCommit(connection,
                     {"CREATE TABLE PDV_ITENSRESUMIDO (ITR_CODIGO INTEGER NOT NULL, "
                      "ITR_DESCRICAO VARCHAR(200) NOT NULL, ITR_VLR_VENDA NUMERIC(18,3))",
                      "CREATE TABLE PDV_CODIGOBARRAS (COB_CODIGO_EAN VARCHAR(25) NOT NULL, "
                      "COB_CODIGO_ITEM INTEGER NOT NULL)"});

    Counts counts{barcodes - barcodes / kExtraCodeEvery, barcodes};
    SplitMix64 random{20240601};
    auto transaction = take(FbTransaction::startReadWrite(connection), "start");
    {
        auto insertItem = take(
            FbStatement::prepare(transaction, "INSERT INTO PDV_ITENSRESUMIDO VALUES (?, ?, ?)"),
            "prepare item insert");
        for (uint64_t item = 1; item <= counts.items; ++item)
            check(insertItem.execute({std::to_string(item), description(random), price(random)}),
                  "insert item");
        auto insertCode =
            take(FbStatement::prepare(transaction, "INSERT INTO PDV_CODIGOBARRAS VALUES (?, ?)"),
                 "prepare barcode insert");
        for (uint64_t index = 0; index < barcodes; ++index) {
            const uint64_t item = index < counts.items ? index + 1 : 1 + random.below(counts.items);
            check(insertCode.execute({barcode(index), std::to_string(item)}), "insert barcode");
        }
    }
    check(transaction.commit(), "commit rows");

    executeAndCommit(connection,
                     {"ALTER TABLE PDV_ITENSRESUMIDO ADD CONSTRAINT PK_PDV_ITENSRESUMIDO "
                      "PRIMARY KEY (ITR_CODIGO)",
                      "ALTER TABLE PDV_CODIGOBARRAS ADD CONSTRAINT PK_PDV_CODIGOBARRAS "
                      "PRIMARY KEY (COB_CODIGO_EAN)"});
    return counts;
}

void writeScanCodes(const std::string& path, uint64_t barcodes, uint64_t count) {
    SplitMix64 random{barcodes};
    std::ofstream out(path, std::ios::trunc);
    for (uint64_t i = 0; i < count; ++i)
        out << (random.below(kUnknownEvery) == 0 ? unknownBarcode(random)
                                                 : barcode(random.below(barcodes)))
            << "\n";
    out.close();
    if (!out)
        die("cannot write " + path);
}

int usage() {
    std::cerr << "usage: bench_catalog --version\n"
                 "       bench_catalog --barcodes N --database PATH --codes PATH "
                 "[--scan-codes M]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bench::setProgramName("bench_catalog");
    uint64_t barcodes = 0;
    uint64_t scanCodes = 2000;
    std::string database;
    std::string codes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--version") {
            std::cout << kVersion << "\n";
            return 0;
        }
        if (i + 1 >= argc)
            return usage();
        const std::string value = argv[++i];
        if (arg == "--barcodes")
            barcodes = std::strtoull(value.c_str(), nullptr, 10);
        else if (arg == "--scan-codes")
            scanCodes = std::strtoull(value.c_str(), nullptr, 10);
        else if (arg == "--database")
            database = std::filesystem::absolute(value).string();
        else if (arg == "--codes")
            codes = value;
        else
            return usage();
    }
    if (barcodes < kExtraCodeEvery || barcodes > 100000000 || scanCodes == 0 || database.empty() ||
        codes.empty())
        return usage();

    const auto started = std::chrono::steady_clock::now();
    const std::string partial = database + ".part";
    std::filesystem::remove(partial);
    createDatabase(partial);
    disableForcedWrites(partial);
    Counts counts;
    {
        auto connection = take(FbConnection::attach(QString::fromStdString(partial)), "attach");
        counts = load(connection, barcodes);
        check(connection.detach(), "detach");
    }
    writeScanCodes(codes + ".part", barcodes, scanCodes);
    std::filesystem::rename(codes + ".part", codes);
    std::filesystem::rename(partial, database);

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("{\"barcodes\":%llu,\"items\":%llu,\"seconds\":%.1f}\n",
                static_cast<unsigned long long>(counts.barcodes),
                static_cast<unsigned long long>(counts.items), seconds);
    return 0;
}
