#pragma once

#include "CfdiKit.h"
#include "cfdi/FiscalStore.h"
#include "db/Database.h"
#include "invoice/DocumentStore.h"
#include "support/TestDatabase.h"

#include <memory>

// A database with the test CSD's business, customers, articles and every kind of tax the SAT
// meaning allows, and a function to save documents into it.
struct CfdiFixture {
    TestDatabase testDb;
    const ScratchDir& dir = testDb.dir();
    std::unique_ptr<Database> db = testDb.create();
    CFiscalStore fiscal{*db};
    // Ids of the taxes: the seeded ones and two added here.
    std::int32_t iva16 = 1, iva8 = 2, iva0 = 3, retIva = 4, retIsr = 5, exento = 0, ieps8 = 0;
    std::int32_t cliente = 0, otroCliente = 0;

    // The moment the tests seal at: the documents' day, inside the test certificate's years.
    static OleDate sealingNow() { return OleDate::fromDate(2026, 3, 14, 12, 0, 0); }

    CfdiFixture();
    // An article with its taxes (ids, 0 for none); lines of it take them with the catalogue's rates.
    std::int32_t addArticle(const std::string& clave, const std::string& descripcion, const std::string& claveProdServ,
                            std::int32_t imp1 = 0, std::int32_t imp2 = 0, std::int32_t ret1 = 0, std::int32_t ret2 = 0,
                            const std::string& objetoImp = "");
    std::int32_t addCustomer(const std::string& nombre, const std::string& rfc, const std::string& cp,
                             const std::string& regimen, const std::string& uso = "G03");
    CPartida line(std::int32_t article, double precio, double cantidad, double pDescuento = 0);
    std::int32_t save(std::int32_t idCliente, std::int32_t folio, std::vector<CPartida> lines,
                      const std::string& serie = "A", OleDate fecha = OleDate::fromDate(2026, 3, 14, 9, 26, 53));
    double rateOf(std::int32_t idImpuesto);
};
