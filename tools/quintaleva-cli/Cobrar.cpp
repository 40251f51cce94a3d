#include "Cobrar.h"
#include "CliCommon.h"
#include "CliDatabase.h"

#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/PaymentCfdiBuilder.h"
#include "cfdi/SatCatalogs.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "invoice/MoneyText.h"
#include "receivables/PaymentStore.h"

#include <cmath>
#include <cstdio>

int CobrarCommand(const std::vector<std::string>& args) {
    if (args.size() < 4)
        return fail("el comando cobrar pide ARCHIVO SERIE FOLIO IMPORTE.");
    std::map<std::string, std::string> o;
    std::string error;
    if (!readOptions(args, 4, {"--fecha", "--forma-pago", "--clave-archivo", "--salida"}, o, error))
        return fail(error);
    const std::optional<double> amount = TryParseMoney(args[3], MoneyFormat::mexican());
    if (!amount || !std::isfinite(*amount))
        return fail("\"" + args[3] + "\" no es un importe.");
    if (!(*amount > 0))
        return fail("el importe del pago debe ser mayor que cero.");
    Payment payment;
    payment.importe = *amount;
    payment.fecha = OleDate::today();
    if (o.count("--fecha")) {
        const auto day = parseDate(o["--fecha"]);
        if (!day)
            return fail("\"" + o["--fecha"] + "\" no es una fecha; escríbala como DD/MM/AAAA.");
        payment.fecha = *day;
    }
    const std::string forma = o.count("--forma-pago") ? o["--forma-pago"] : "01";
    if (forma == "99" || !SatCatalogs::contains(SatCatalogs::formasPago(), forma))
        return fail("la forma de pago \"" + forma + "\" no sirve para un pago recibido (vea el catálogo del SAT; 99 no).");

    auto db = OpenDatabase(args[0]);
    const auto id = findDocument(*db, args[1], args[2], error);
    if (!id)
        return fail(error);
    // The balance the operator would be shown; more than it is refused, as the payment dialog does.
    Statement doc = db->prepare("SELECT Total - YaPagado FROM Documentos WHERE Id_Documento = ?");
    doc.bind(1, std::int64_t{*id});
    doc.step();
    const double balance = doc.real(0);
    doc.reset();
    const std::string name = documentName(*db, *id);
    if (*amount > balance + CPaymentStore::kCent)
        return fail("el pago de " + FormatMoney(*amount) + " es mayor que el saldo de " + name + " (" +
                    FormatMoney(balance) + ").");
    const CPaymentStore::Result r = CPaymentStore(*db).Receive(*id, payment, balance);
    switch (r.outcome) {
    case CPaymentStore::Outcome::Registered:
        break;
    case CPaymentStore::Outcome::NotFound:
        return fail("el documento " + name + " ya no existe.");
    case CPaymentStore::Outcome::NotOpen:
        return fail("el documento " + name + " ya está pagado o cancelado.");
    case CPaymentStore::Outcome::NothingToPay:
        return fail("el documento " + name + " no tiene saldo por cobrar.");
    case CPaymentStore::Outcome::BalanceChanged:
        return fail("el saldo de " + name + " cambió mientras tanto: ahora es " + FormatMoney(r.balance) +
                    "; el pago no se registró.");
    }
    std::printf("Pago %d registrado: %s de %s; saldo %s\n", r.numPago, FormatMoney(r.importe).c_str(), name.c_str(),
                FormatMoney(balance - r.importe < CPaymentStore::kCent ? 0.0 : balance - r.importe).c_str());

    // A stamped PPD invoice: the payment owes its own CFDI, made now when the key's password is at hand.
    if (!CPaymentCfdiBuilder::OwesComplements(*db, *id))
        return 0;
    const CfdiKey key{*id, r.numPago};
    CFiscalStore(*db).notePayment(key, forma);
    CCfdiSealAndStamp::Request request;
    request.fiscal.formaPago = forma;
    request.file = o["--salida"];
    request.password = optionalPassword(o, error);
    const std::unique_ptr<CPacClient> client = error.empty() ? configuredPac(*db, error) : nullptr;
    if (!client || request.password.empty())
        return fail("el pago quedó registrado, pero su complemento de pago no se timbró: " +
                    (error.empty() ? std::string("falta la contraseña de la llave (--clave-archivo F o QUINTALEVA_CSD_CLAVE).")
                                   : error) +
                    " Quedó por timbrar: quintaleva-cli timbrar ARCHIVO --pendientes.");
    const CCfdiSealAndStamp::Result c = CCfdiSealAndStamp(*db, *client).Run(key, request);
    if (c.state != CCfdiStamper::State::Stamped) {
        std::string why = c.errors.empty() ? c.message : c.errors.front();
        return fail("el pago quedó registrado, pero su complemento de pago no se timbró: " + why);
    }
    std::printf("Complemento de pago timbrado: %s pago %d\nFolio fiscal (UUID): %s\n", name.c_str(), r.numPago,
                c.uuid.c_str());
    return 0;
}
