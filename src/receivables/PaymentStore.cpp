#include "receivables/PaymentStore.h"

#include "db/Database.h"
#include "db/RetryConflicts.h"
#include "db/SpanishText.h"
#include "db/Statement.h"
#include "db/Transaction.h"

#include <cmath>

namespace {

std::int64_t toInt(std::int32_t v) { return v; }

} // namespace

SqlCondition CPaymentStore::ReceivablesCondition(const ReceivablesFilter& f) {
    SqlCondition c{kOpenDocuments, {}};
    if (f.idCliente != 0) {
        c.sql += " AND Id_Cliente = ?";
        c.params.emplace_back(toInt(f.idCliente));
    }
    if (!f.serie.empty()) {
        c.sql += " AND Serie = ?";
        c.params.emplace_back(f.serie);
    }
    if (f.porVencimiento) {
        // Before the start of the next day: every document due on that day, at any hour, is in.
        c.sql += " AND Vence < ?";
        c.params.emplace_back(f.vencidasAl.isValid() ? DbValue(f.vencidasAl.dateOnly().addDays(1).value) : DbValue());
    }
    if (f.folio != 0) {
        if (!f.serie.empty()) {
            c.sql += " AND Serie = ? AND Folio = ?";
            c.params.emplace_back(f.serie);
        } else {
            c.sql += " AND Serie Is Null AND Folio = ?";
        }
        c.params.emplace_back(toInt(f.folio));
    }
    return c;
}

std::optional<double> CPaymentStore::AmountToRegister(double amount, double balance) {
    if (!(amount > 0) || !(balance > 0))
        return std::nullopt;
    if (amount > balance || std::fabs(amount - balance) < kCent)
        return balance;
    return amount;
}

std::int32_t CPaymentStore::NextPaymentNumber(std::int32_t idDocumento) {
    Statement st = m_db.prepare("SELECT max(NumPago) FROM Cobros WHERE Id_Documento = ?");
    st.bind(1, toInt(idDocumento));
    st.step();
    return isNull(st.column(0)) ? 1 : static_cast<std::int32_t>(st.integer(0) + 1);
}

CPaymentStore::Result CPaymentStore::Receive(std::int32_t idDocumento, const Payment& payment,
                                             std::optional<double> balanceShown) {
    return RetryConflicts([&] { return receiveOnce(idDocumento, payment, balanceShown); });
}

CPaymentStore::Result CPaymentStore::receiveOnce(std::int32_t idDocumento, const Payment& payment,
                                                 std::optional<double> balanceShown) {
    Result r;
    Transaction tx(m_db);
    Statement doc = m_db.prepare(
        "SELECT Total, YaPagado, Pagado, Cancelada, Id_Cliente FROM Documentos WHERE Id_Documento = ?");
    doc.bind(1, toInt(idDocumento));
    if (!doc.step()) {
        r.outcome = Outcome::NotFound;
        return r;
    }
    const double total = doc.real(0);
    const double yaPagado = doc.real(1);
    const std::int64_t idCliente = doc.integer(4);
    const bool open = doc.integer(2) == 0 && doc.integer(3) == 0;
    doc.reset();
    if (!open) {
        r.outcome = Outcome::NotOpen;
        return r;
    }
    const double balance = total - yaPagado;
    if (balanceShown && std::llround(*balanceShown * 100.0) != std::llround(balance * 100.0)) {
        r.outcome = Outcome::BalanceChanged;
        r.balance = balance;
        return r;
    }
    const std::optional<double> amount = AmountToRegister(payment.importe, balance);
    if (!amount) {
        r.outcome = Outcome::NothingToPay;
        return r;
    }

    r.numPago = NextPaymentNumber(idDocumento);
    m_db.execute("INSERT INTO Cobros (Id_Documento, NumPago, Fecha, Importe, Observaciones, Referencia, Id_Cliente) "
                 "VALUES (?, ?, ?, ?, ?, ?, ?)",
                 {toInt(idDocumento), toInt(r.numPago), payment.fecha.value, *amount, payment.observaciones,
                  SpanishText::left(payment.referencia, kReferenciaLength), idCliente});

    // Settling the balance sets YaPagado to the total itself: total - yaPagado + yaPagado need not
    // give back the total in binary arithmetic, and a document off by a rounding error would stay
    // open forever.
    r.importe = *amount;
    r.yaPagado = *amount == balance ? total : yaPagado + *amount;
    r.pagado = r.yaPagado >= total;
    m_db.execute("UPDATE Documentos SET YaPagado = ?, Pagado = ? WHERE Id_Documento = ?",
                 {r.yaPagado, std::int64_t{r.pagado ? 1 : 0}, toInt(idDocumento)});
    tx.commit();
    r.outcome = Outcome::Registered;
    return r;
}
