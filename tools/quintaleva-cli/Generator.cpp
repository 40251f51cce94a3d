#include "Generator.h"

#include "cfdi/DocumentRounding.h"
#include "cfdi/FiscalTables.h"
#include "db/CatalogOrder.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/OleDate.h"
#include "db/Transaction.h"
#include "invoice/DocumentStore.h"
#include "invoice/TotalsSum.h"
#include "invoice/Partida.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <vector>

namespace {

const char* const kNombres[] = {"José", "María", "Guadalupe", "Juan", "Ángela", "Jesús", "Sofía", "Martín",
                                "Andrés", "Inés", "Raúl", "Mónica", "Begoña", "Iñaki", "Zoé", "Héctor"};
const char* const kApellidos[] = {"Pérez", "Núñez", "Ramírez", "Hernández", "García", "Ibáñez", "Peña",
                                  "Gómez", "Martínez", "Sánchez", "Díaz", "Güemes", "Acuña", "López", "Ordóñez"};
const char* const kEmpresas[] = {"Papelería", "Ferretería", "Abarrotes", "Farmacia", "Taller", "Distribuidora",
                                 "Refaccionaria", "Panadería", "Lonchería", "Dulcería"};
const char* const kCiudades[] = {"Guadalajara, Jal.", "Morelia, Mich.", "Puebla, Pue.", "Querétaro, Qro.",
                                 "Monterrey, N.L.", "Oaxaca, Oax.", "Mérida, Yuc.", "León, Gto."};
const char* const kProductos[] = {"Cuaderno profesional", "Bolígrafo azul", "Tóner láser", "Papel bond carta",
                                  "Piñata mediana", "Café molido", "Mochila escolar", "Engrapadora metálica",
                                  "Cinta adhesiva", "Tijeras de acero", "Calculadora científica", "Lápiz del 2"};

// SAT product keys of the products above, in the same order.
const char* const kClavesProdServ[] = {"14111514", "44121701", "44103103", "14111507", "60141100", "50201706",
                                       "53121600", "44121615", "31201500", "44121618", "44101807", "44121706"};
const char* const kCodigosPostales[] = {"44100", "58000", "72000", "76000", "64000", "68000", "97000", "37000"};
static_assert(std::size(kClavesProdServ) == std::size(kProductos));
const char kLetras[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

template <std::size_t N>
const char* pick(std::mt19937& rng, const char* const (&list)[N]) {
    return list[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
}

} // namespace

void GenerateData(Database& db, const GeneratorOptions& o, void (*progress)(int, int)) {
    std::mt19937 rng(o.seed);
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
    auto between = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };

    FiscalTables::ensure(db);
    // Documents add up as the program's would in this database.
    const TotalsRounding rounding = DocumentRounding(db);
    struct Customer { std::int64_t id; std::string nombre, dom1, dom3, rfc, uso; };
    struct Article { std::int64_t id; std::string clave, descripcion; double precio; std::size_t tax; };
    std::vector<std::int64_t> taxIds;
    std::vector<double> taxRates;
    std::vector<Customer> customers;
    std::vector<Article> articles;
    // The catalogues go in one transaction, in place before the first document refers to them.
    // Another run adding its own at the same moment can make the server refuse it (the article
    // keys it checked free); it is then made again from the same random state, as a batch is.
    auto addCatalogues = [&] {
        taxIds.clear();
        taxRates.clear();
        customers.clear();
        articles.clear();
        Transaction tx(db);
        {
            Statement st = db.prepare(
                "SELECT Id_Impuesto, Porcentaje FROM Impuestos WHERE Retencion = 0 ORDER BY Id_Impuesto");
            while (st.step()) {
                taxIds.push_back(st.integer(0));
                taxRates.push_back(st.real(1) * 0.01);
            }
        }
        if (taxIds.empty()) {
            taxIds.push_back(0);
            taxRates.push_back(0);
        }

        Statement addCustomer = db.prepare(
            "INSERT INTO Clientes (Nombre, Dom1, Dom2, Dom3, RFC, Telefono, Clasificacion) VALUES (?, ?, ?, ?, ?, ?, ?)");
        Statement addCustomerFiscal = db.prepare(
            "INSERT INTO ClientesFiscales (Id_Cliente, CodigoPostal, RegimenFiscal, UsoCfdi) VALUES (?, ?, ?, ?)");
        for (int i = 0; i < o.clientes; ++i) {
            Customer c;
            c.nombre = chance(0.4) ? std::string(pick(rng, kEmpresas)) + " " + pick(rng, kApellidos) + " Hnos."
                                   : std::string(pick(rng, kNombres)) + " " + pick(rng, kApellidos) + " " + pick(rng, kApellidos);
            if (i % 97 == 3)
                c.nombre = "O'Higgins y Cía. " + std::to_string(i);
            c.dom1 = "Calle " + std::string(pick(rng, kApellidos)) + " " + std::to_string(between(1, 2500));
            c.dom3 = pick(rng, kCiudades);
            // A well-formed RFC: three letters for a company, four for a person, then a date and a
            // homoclave; the régimen and the postal code fit it, so every document can be sealed.
            const bool company = c.nombre.find("Hnos.") != std::string::npos || c.nombre.starts_with("O'Higgins");
            c.rfc.clear();
            for (int l = 0; l < (company ? 3 : 4); ++l)
                c.rfc += kLetras[between(0, 25)];
            char date[8];
            std::snprintf(date, sizeof date, "%02d%02d%02d", between(50, 99), between(1, 12), between(1, 28));
            c.rfc += date;
            c.rfc += kLetras[between(0, 25)];
            c.rfc += static_cast<char>('0' + between(0, 9));
            c.rfc += static_cast<char>('0' + between(0, 9));
            addCustomer.reset();
            addCustomer.bindAll({c.nombre, c.dom1, std::string("Col. Centro"), c.dom3, c.rfc,
                                 std::to_string(between(200, 999)) + " " + std::to_string(between(100, 999)) + " " +
                                     std::to_string(between(1000, 9999)),
                                 std::string(chance(0.5) ? "Mayoreo" : "Menudeo")});
            addCustomer.execute();
            c.id = db.lastInsertId();
            c.uso = chance(0.5) ? "G03" : "G01";
            addCustomerFiscal.reset();
            addCustomerFiscal.bindAll({c.id, std::string(pick(rng, kCodigosPostales)),
                                       std::string(company ? "601" : (chance(0.5) ? "612" : "626")), c.uso});
            addCustomerFiscal.execute();
            customers.push_back(std::move(c));
        }

        Statement addArticle = db.prepare(
            "INSERT INTO Articulos (Clave, Descripcion, Precio, Id_Imp1, PrecioNeto) VALUES (?, ?, ?, ?, ?)");
        // An existing database may already hold these keys (an earlier run among them): the catalogue
        // keeps keys unique, so a key in use is skipped.
        Statement keyInUse = db.prepare("SELECT 1 FROM Articulos WHERE Clave = ? COLLATE NOCASE");
        Statement addArticleFiscal = db.prepare("INSERT INTO ArticulosFiscales (Id_Articulo, ClaveProdServ, ClaveUnidad, "
                                                "Unidad, ObjetoImp) VALUES (?, ?, 'H87', 'Pieza', ?)");
        long nextKey = 10000;
        for (int i = 0; i < o.articulos; ++i) {
            Article a;
            for (;; ++nextKey) {
                a.clave = "A" + std::to_string(nextKey);
                keyInUse.reset();
                keyInUse.bind(1, a.clave);
                if (!keyInUse.step())
                    break;
            }
            ++nextKey;
            const std::size_t product = static_cast<std::size_t>(between(0, static_cast<int>(std::size(kProductos)) - 1));
            a.descripcion = std::string(kProductos[product]) + " modelo " + std::to_string(i);
            a.precio = between(100, 250000) / 100.0;
            a.tax = static_cast<std::size_t>(between(0, static_cast<int>(taxIds.size()) - 1));
            addArticle.reset();
            addArticle.bindAll({a.clave, a.descripcion, a.precio, taxIds[a.tax], a.precio * (1 + taxRates[a.tax])});
            addArticle.execute();
            a.id = db.lastInsertId();
            addArticleFiscal.reset();
            addArticleFiscal.bindAll({a.id, std::string(kClavesProdServ[product]),
                                      std::string(taxIds[a.tax] != 0 ? "02" : "01")});
            addArticleFiscal.execute();
            articles.push_back(std::move(a));
        }
        // Keyed for the lists now, in the same transaction, rather than at the first list.
        CatalogOrder::refreshInTransaction(db);
        tx.commit();
    };
    const std::mt19937 catalogueStart = rng;
    for (int attempt = 1;; ++attempt) {
        try {
            addCatalogues();
            break;
        } catch (const DbError& e) {
            if (attempt >= 10 || !IsDbConflict(e))
                throw;
            rng = catalogueStart;
        }
    }

    Statement addDocument = db.prepare(
        "INSERT INTO Documentos (Id_Cliente, Nombre, Dom1, Dom3, RFC, Fecha, Vence, Serie, Folio, Importe, Descuento, "
        "Subtotal, Impuesto1, Total, YaPagado, Pagado, Cancelada) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Statement addLine = db.prepare(
        "INSERT INTO Detalles (Id_Documento, Renglon, Id_Articulo, Clave, Descripcion, Precio, Cantidad, pDescuento, "
        "Importe, Descuento, Imp1, Imp2, Ret1, Ret2, Total, pI1) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Statement addPayment = db.prepare(
        "INSERT INTO Cobros (Id_Documento, NumPago, Fecha, Importe, Referencia, Id_Cliente) VALUES (?,?,?,?,?,?)");
    Statement addDocumentFiscal = db.prepare("INSERT INTO DocumentosFiscales (Id_Documento, FormaPago, MetodoPago, "
                                             "UsoCfdi, Exportacion) VALUES (?, ?, ?, ?, '01')");

    const std::array<std::string, 3> series = {"", "A", "B"};
    CDocumentStore store(db);
    const double today = OleDate::today().value;
    // Documents go in batches, each in one transaction that takes every folio from the store
    // (after the last one stored in its series): another station, or another run of this, saving
    // in the same series meanwhile never gets a folio twice. A batch that collides with one is
    // rolled back and made again from the same random state.
    auto addOne = [&](int d) {
        const std::size_t s = static_cast<std::size_t>(between(0, 2));
        const std::int32_t folio = store.NextFolio(series[s]);
        if (folio == 0)
            throw DbError("La serie \"" + series[s] + "\" no tiene folios libres.");
        const Customer& c = customers.empty() ? Customer{0, "Público en General", "", "", "", ""}
                                              : customers[static_cast<std::size_t>(between(0, o.clientes - 1))];
        // About twenty documents a day back from today, during business hours.
        const double fecha = static_cast<double>(static_cast<long long>(today - (o.documentos - d) * 0.05)) +
                             between(9 * 3600, 19 * 3600) / 86400.0;
        std::vector<CPartida> lines(static_cast<std::size_t>(between(1, 30)));
        TotalsSum sum(rounding);
        for (CPartida& line : lines) {
            if (!articles.empty()) {
                const Article& a = articles[static_cast<std::size_t>(between(0, o.articulos - 1))];
                line.Id_Articulo = static_cast<std::int32_t>(a.id);
                line.Clave = a.clave;
                line.Descripcion = a.descripcion;
                line.Precio = a.precio;
                line.pI1 = taxRates[a.tax];
            } else {
                line.Descripcion = "Servicio";
                line.Precio = 100;
            }
            line.Cantidad = between(1, 12);
            line.pDescuento = chance(0.2) ? 10 : 0;
            line.Recalculate();
            sum.Add(line);
        }
        const DocumentTotals totals = sum.Totals();
        const bool cancelled = chance(0.03);
        const int paymentKind = between(0, 2); // none, part, all
        const double paid = cancelled ? 0 : paymentKind == 0 ? 0 : paymentKind == 1 ? totals.Total * 0.5 : totals.Total;
        addDocument.reset();
        addDocument.bindAll({c.id, c.nombre, c.dom1, c.dom3, c.rfc, fecha, fecha + 30,
                             series[s].empty() ? DbValue() : DbValue(series[s]), std::int64_t{folio},
                             totals.Importe, totals.Descuento, totals.Subtotal, totals.Impuesto1, totals.Total, paid,
                             std::int64_t{paid >= totals.Total ? 1 : 0}, std::int64_t{cancelled ? 1 : 0}});
        addDocument.execute();
        const std::int64_t id = db.lastInsertId();
        // Paid in cash at once, or to be paid later ("por definir").
        const bool pue = paid >= totals.Total;
        addDocumentFiscal.reset();
        addDocumentFiscal.bindAll({id, std::string(pue ? "01" : "99"), std::string(pue ? "PUE" : "PPD"), c.uso});
        addDocumentFiscal.execute();
        std::int64_t renglon = 0;
        for (const CPartida& l : lines) {
            addLine.reset();
            addLine.bindAll({id, ++renglon, std::int64_t{l.Id_Articulo}, l.Clave, l.Descripcion, l.Precio, l.Cantidad,
                             l.pDescuento, l.Importe, l.Descuento, l.Imp1, l.Imp2, l.Ret1, l.Ret2, l.Total, l.pI1});
            addLine.execute();
        }
        if (paid > 0) {
            addPayment.reset();
            addPayment.bindAll({id, std::int64_t{1}, fecha, paid, std::string("Efectivo"), c.id});
            addPayment.execute();
        }
    };
    constexpr int kBatch = 500;
    for (int first = 0; first < o.documentos; first += kBatch) {
        const int last = std::min(o.documentos, first + kBatch);
        const std::mt19937 batchStart = rng;
        for (int attempt = 1;; ++attempt) {
            try {
                Transaction batch(db);
                for (int d = first; d < last; ++d)
                    addOne(d);
                batch.commit();
                break;
            } catch (const DbError& e) {
                if (attempt >= 10 || !IsDbConflict(e))
                    throw;
                rng = batchStart;
            }
        }
        if (progress)
            progress(last, o.documentos);
    }
}

