#pragma once

#include "db/OleDate.h"
#include "db/ValueFunctions.h"

#include <cstdint>
#include <optional>
#include <string>

class Database;

// What narrows the receivables list; each member left at its default adds nothing.
struct ReceivablesFilter final {
    std::int32_t idCliente = 0;  // 0: every customer
    std::string serie;           // empty: every series (with a folio: documents without a series)
    bool porVencimiento = false;
    OleDate vencidasAl;          // with porVencimiento: documents due on that day or earlier
    std::int32_t folio = 0;      // 0: every folio
};

// A payment as the operator gives it.
struct Payment final {
    OleDate fecha;
    double importe = 0.0;  // pesos
    std::string referencia;
    std::string observaciones;
};

// Later payments against open documents (neither paid nor cancelled). Each payment is a Cobros row
// numbered per document (NumPago 1, 2, 3 …); the document's YaPagado is the sum of its payments
// and Pagado is set once YaPagado reaches Total.
class CPaymentStore final {
public:
    // The documents that are still receivable, and the order the list shows them in (those without
    // a series first, as the file sorts Null; the server would put them last).
    static constexpr const char* kOpenDocuments = "Pagado = 0 AND Cancelada = 0";
    static constexpr const char* kSort = "Serie NULLS FIRST, Folio, Fecha";
    static constexpr std::size_t kReferenciaLength = 35;
    // An amount this close to the balance settles it exactly.
    static constexpr double kCent = 0.01;

    explicit CPaymentStore(Database& db) : m_db(db) {}

    // The condition of the receivables list, with its bound values.
    static SqlCondition ReceivablesCondition(const ReceivablesFilter& filter);

    // The amount a payment registers: nothing while it is not positive (or nothing is owed);
    // otherwise at most the balance, and exactly the balance when within a cent of it.
    static std::optional<double> AmountToRegister(double amount, double balance);

    // NumPago for the next payment of the document: 1 when it has none, else the highest + 1.
    std::int32_t NextPaymentNumber(std::int32_t idDocumento);

    enum class Outcome {
        Registered,
        NotFound,      // no such document (deleted meanwhile)
        NotOpen,       // already paid or cancelled
        NothingToPay,  // the amount is not positive or nothing is owed
        BalanceChanged,  // the balance is no longer the one the operator was shown
    };
    struct Result final {
        Outcome outcome = Outcome::NotFound;
        std::int32_t numPago = 0;   // the new payment's number
        double importe = 0.0;       // the amount registered (after the rules above)
        double yaPagado = 0.0;      // the document's YaPagado afterwards
        bool pagado = false;        // the document's Pagado afterwards
        double balance = 0.0;       // BalanceChanged: the balance stored now
    };

    // Registers a payment of document `idDocumento`: a Cobros row with the next NumPago and the
    // document's customer, and the document's YaPagado and Pagado, in one transaction. The
    // document is read inside that transaction, so the balance is the one stored now; the amount
    // follows AmountToRegister. With `balanceShown`, a balance that another station changed since
    // (to the cent) registers nothing: the operator decides again on the new one. The reference is
    // cut to 35 characters. Throws DbError with nothing written.
    Result Receive(std::int32_t idDocumento, const Payment& payment,
                   std::optional<double> balanceShown = std::nullopt);

private:
    Result receiveOnce(std::int32_t idDocumento, const Payment& payment, std::optional<double> balanceShown);

    Database& m_db;
};
