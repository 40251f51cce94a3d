#include "CfdiFixture.h"

#include "cfdi/DocumentRounding.h"
#include "db/Statement.h"

CfdiFixture::CfdiFixture() {
    EmisorFiscal e;
    e.rfc = "EKU9003173C9";
    e.razonSocial = "ESCUELA KEMPER URGATE";
    e.regimenFiscal = "601";
    e.codigoPostal = "26015";
    e.certificado = CfdiKit::certificate();
    e.llavePrivada = CfdiKit::key();
    fiscal.saveEmisor(e);
    db->execute("INSERT INTO Impuestos (Nombre, Porcentaje, Retencion) VALUES ('IVA exento', 0, 0)");
    exento = static_cast<std::int32_t>(db->lastInsertId());
    fiscal.saveImpuesto(exento, {"002", "Exento", 0});
    db->execute("INSERT INTO Impuestos (Nombre, Porcentaje, Retencion) VALUES ('IEPS 8 %', 8, 0)");
    ieps8 = static_cast<std::int32_t>(db->lastInsertId());
    fiscal.saveImpuesto(ieps8, {"003", "Tasa", 0.08});
    cliente = addCustomer("Taller El Güero & Hijos \"La <Tuerca>\"", "XIA190128J61", "36257", "601");
    otroCliente = addCustomer("María Ñúñez Pérez", "MAPÑ800101AB1", "01000", "612", "D01");
}

std::int32_t CfdiFixture::addArticle(const std::string& clave, const std::string& descripcion,
                                     const std::string& claveProdServ, std::int32_t imp1, std::int32_t imp2,
                                     std::int32_t ret1, std::int32_t ret2, const std::string& objetoImp) {
    db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, Id_Imp1, Id_Imp2, Id_Ret1, Id_Ret2, PrecioNeto) "
                "VALUES (?, ?, 10, ?, ?, ?, ?, 10)",
                {clave, descripcion, std::int64_t{imp1}, std::int64_t{imp2}, std::int64_t{ret1}, std::int64_t{ret2}});
    const auto id = static_cast<std::int32_t>(db->lastInsertId());
    const bool taxed = imp1 || imp2 || ret1 || ret2;
    if (!claveProdServ.empty())
        fiscal.saveArticulo(id, {claveProdServ, "H87", "Pieza", objetoImp.empty() ? (taxed ? "02" : "01") : objetoImp});
    return id;
}

std::int32_t CfdiFixture::addCustomer(const std::string& nombre, const std::string& rfc, const std::string& cp,
                                      const std::string& regimen, const std::string& uso) {
    db->execute("INSERT INTO Clientes (Nombre, RFC) VALUES (?, ?)", {nombre, rfc});
    const auto id = static_cast<std::int32_t>(db->lastInsertId());
    if (!cp.empty() || !regimen.empty())
        fiscal.saveCliente(id, {cp, regimen, uso});
    return id;
}

double CfdiFixture::rateOf(std::int32_t id) {
    if (id == 0)
        return 0;
    Statement s = db->prepare("SELECT Porcentaje FROM Impuestos WHERE Id_Impuesto = ?");
    s.bind(1, std::int64_t{id});
    return s.step() ? s.real(0) * 0.01 : 0;
}

CPartida CfdiFixture::line(std::int32_t article, double precio, double cantidad, double pDescuento) {
    Statement s = db->prepare(
        "SELECT Clave, Descripcion, Id_Imp1, Id_Imp2, Id_Ret1, Id_Ret2 FROM Articulos WHERE Id_Articulo = ?");
    s.bind(1, std::int64_t{article});
    s.step();
    CPartida p;
    p.Id_Articulo = article;
    p.Clave = s.text(0);
    p.Descripcion = s.text(1);
    p.Precio = precio;
    p.Cantidad = cantidad;
    p.pDescuento = pDescuento;
    p.Id_Imp1 = static_cast<std::int32_t>(s.integer(2));
    p.Id_Imp2 = static_cast<std::int32_t>(s.integer(3));
    p.Id_Ret1 = static_cast<std::int32_t>(s.integer(4));
    p.Id_Ret2 = static_cast<std::int32_t>(s.integer(5));
    p.pI1 = rateOf(p.Id_Imp1);
    p.pI2 = rateOf(p.Id_Imp2);
    p.pR1 = rateOf(p.Id_Ret1);
    p.pR2 = rateOf(p.Id_Ret2);
    p.Recalculate();
    return p;
}

std::int32_t CfdiFixture::save(std::int32_t idCliente, std::int32_t folio, std::vector<CPartida> lines,
                               const std::string& serie, OleDate fecha) {
    DocumentHeader h;
    h.idCliente = idCliente;
    Statement s = db->prepare("SELECT Nombre, RFC FROM Clientes WHERE Id_Cliente = ?");
    s.bind(1, std::int64_t{idCliente});
    if (s.step()) {
        h.nombre = s.text(0);
        h.rfc = s.text(1);
    } else {
        h.nombre = "Mostrador";
    }
    h.fecha = fecha;
    h.vence = fecha;
    h.serie = serie;
    h.folio = folio;
    // Totals as the program sums them in this database.
    return CDocumentStore(*db).Save(h, lines, DocumentTotals::Of(lines, DocumentRounding(*db)), FirstPayment{}, std::nullopt).id;
}
