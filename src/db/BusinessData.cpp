#include "db/BusinessData.h"

#include "db/Database.h"
#include "db/GeneralSet.h"
#include "db/Schema.h"
#include "db/Statement.h"

void BusinessData::CreateTable(Database& db) {
    db.execute("CREATE TABLE IF NOT EXISTS Negocio (Id INTEGER PRIMARY KEY CHECK (Id = 1), Domicilio1 TEXT, "
               "Domicilio2 TEXT, Domicilio3 TEXT, Rfc TEXT, Telefono TEXT)");
}

BusinessData BusinessData::Load(Database& db) {
    BusinessData data;
    {
        CGeneralSet general(db);
        general.Open(OpenType::Snapshot);
        data.nombre = general.m_Nombre;
    }
    if (!db.hasTable(kTable))
        return data;
    Statement row = db.prepare("SELECT Domicilio1, Domicilio2, Domicilio3, Rfc, Telefono FROM Negocio WHERE Id = 1");
    if (row.step()) {
        for (int i = 0; i < 3; ++i)
            data.domicilio[std::size_t(i)] = row.text(i);
        data.rfc = row.text(3);
        data.telefono = row.text(4);
    }
    return data;
}

void BusinessData::Save(Database& db) const {
    CGeneralSet general(db);
    general.Open(OpenType::Dynaset);
    if (general.IsEOF()) {
        general.AddNew();
        general.m_Version = Schema::kGeneralVersion;
    } else {
        general.Edit();
    }
    general.m_Nombre = nombre;
    general.Update();
    general.Close();

    CreateTable(db);
    const std::vector<DbValue> values = {domicilio[0], domicilio[1], domicilio[2], rfc, telefono};
    if (db.execute("UPDATE Negocio SET Domicilio1 = ?, Domicilio2 = ?, Domicilio3 = ?, Rfc = ?, Telefono = ? WHERE Id = 1",
                   values) == 0)
        db.execute("INSERT INTO Negocio (Id, Domicilio1, Domicilio2, Domicilio3, Rfc, Telefono) VALUES (1, ?, ?, ?, ?, ?)",
                   values);
}
