#pragma once

#include <cstdint>
#include <string>

class Database;

// Fills a database with realistic made-up business: customers with Spanish names and accents,
// articles with the usual taxes, documents of 1 to 30 lines over the past years with payments,
// some paid in full, some cancelled. For benchmarks and trying the program with volume.
struct GeneratorOptions {
    int documentos = 1000;
    int clientes = 100;
    int articulos = 200;
    std::uint32_t seed = 2004;
};

void GenerateData(Database& db, const GeneratorOptions& options, void (*progress)(int done, int total) = nullptr);
