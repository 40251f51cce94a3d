#include "designer/FormatCatalog.h"

#include "db/Database.h"
#include "db/FormatosSet.h"
#include "db/Transaction.h"
#include "designer/FormatBackground.h"
#include "designer/FormatPaperStore.h"

namespace {

constexpr const char* kWindowsFilter = "[Ticket]=0";
constexpr const char* kByIdFilter = "[Id_Formato]=? AND [Ticket]=0";

void openById(CFormatosSet& set, std::int32_t id) {
    set.m_strFilter = kByIdFilter;
    set.m_filterParams = {DbValue{std::int64_t{id}}};
    set.Open(OpenType::Dynaset);
}

} // namespace

std::vector<CFormatCatalog::Entry> CFormatCatalog::List() {
    CFormatosSet set(m_db);
    set.m_strFilter = kWindowsFilter;
    set.m_strSort = "[Nombre], [Id_Formato]";
    set.Open(OpenType::Snapshot);
    std::vector<Entry> entries;
    for (; !set.IsEOF(); set.MoveNext())
        entries.push_back({set.m_Id_Formato, set.m_Nombre});
    return entries;
}

CFormatCatalog::Result CFormatCatalog::Load(std::int32_t id, CDesignFormat& format) {
    CFormatosSet set(m_db);
    openById(set, id);
    if (set.IsEOF())
        return {Status::Missing, kMissingMessage};
    CDesignFormat read;
    read.Id = set.m_Id_Formato;
    read.Name = set.m_Nombre;
    read.Observaciones = set.m_Observaciones;
    const bool ok = read.Format.ReadStream(set.m_Detalle);
    read.Format.Caben = set.m_Caben;
    read.Format.Repetir = set.m_Repetir;
    read.CabenByHand = ok && set.m_Caben != CDesignFormat::DerivedCaben(read.Format);
    set.Close();
    read.Sheet = CFormatPaperStore(m_db).Load(id);
    if (auto background = CFormatBackgroundStore(m_db).Load(id))
        read.Background = std::make_shared<const FormatBackground>(std::move(*background));
    format = std::move(read);
    if (!ok)
        return {Status::Damaged, kDamagedMessage};
    return {};
}

bool CFormatCatalog::Save(CDesignFormat& format) {
    Transaction tx(m_db);
    CFormatosSet set(m_db);
    if (format.Id == 0) {
        set.Open(OpenType::Dynaset);
        set.AddNew();
        set.m_Ticket = false;
    } else {
        openById(set, format.Id);
        if (set.IsEOF())
            return false;
        set.Edit();
    }
    set.m_Nombre = format.Name;
    set.m_Observaciones = format.Observaciones;
    format.Format.Caben = format.CabenToStore();
    set.m_Caben = format.Format.Caben;
    set.m_Repetir = format.Format.Repetir;
    set.m_Detalle = format.Format.WriteStream();
    set.Update();
    const std::int32_t id = format.Id != 0 ? format.Id : set.m_Id_Formato;
    CFormatPaperStore(m_db).Write(id, format.Sheet);
    CFormatBackgroundStore pictures(m_db);
    if (format.Background)
        pictures.Write(id, *format.Background);
    else
        pictures.Remove(id);
    tx.commit();
    format.Id = id;
    return true;
}

std::optional<std::vector<unsigned char>> CFormatCatalog::RawStream(std::int32_t id) {
    CFormatosSet set(m_db);
    openById(set, id);
    if (set.IsEOF())
        return std::nullopt;
    return set.m_Detalle;
}

std::int32_t CFormatCatalog::AddRaw(const std::string& name, const std::vector<unsigned char>& stream,
                                    std::int32_t caben, std::int32_t repetir, const std::string& observaciones,
                                    const std::optional<SheetSize>& sheet, const FormatBackground* background) {
    Transaction tx(m_db);
    const std::int32_t id = addRow(name, stream, caben, repetir, observaciones);
    if (sheet)
        CFormatPaperStore(m_db).Write(id, *sheet);
    if (background)
        CFormatBackgroundStore(m_db).Write(id, *background);
    tx.commit();
    return id;
}

std::int32_t CFormatCatalog::addRow(const std::string& name, const std::vector<unsigned char>& stream,
                                    std::int32_t caben, std::int32_t repetir, const std::string& observaciones) {
    CFormatosSet set(m_db);
    set.Open(OpenType::Dynaset);
    set.AddNew();
    set.m_Nombre = name;
    set.m_Observaciones = observaciones;
    set.m_Ticket = false;
    set.m_Caben = caben;
    set.m_Repetir = repetir;
    set.m_Detalle = stream;
    set.Update();
    return set.m_Id_Formato;
}

std::optional<std::int32_t> CFormatCatalog::Duplicate(std::int32_t id, const std::string& name) {
    CFormatosSet set(m_db);
    openById(set, id);
    if (set.IsEOF())
        return std::nullopt;
    // The copy is laid out on the same paper over the same picture.
    const SheetSize sheet = CFormatPaperStore(m_db).Load(id);
    const auto background = CFormatBackgroundStore(m_db).Load(id);
    Transaction tx(m_db);
    const std::int32_t copy = addRow(name, set.m_Detalle, set.m_Caben, set.m_Repetir, set.m_Observaciones);
    CFormatPaperStore(m_db).Write(copy, sheet);
    if (background)
        CFormatBackgroundStore(m_db).Write(copy, *background);
    tx.commit();
    return copy;
}

bool CFormatCatalog::Rename(std::int32_t id, const std::string& name) {
    Transaction tx(m_db);
    CFormatosSet set(m_db);
    openById(set, id);
    if (set.IsEOF())
        return false;
    set.Edit();
    set.m_Nombre = name;
    set.Update();
    tx.commit();
    return true;
}

bool CFormatCatalog::Delete(std::int32_t id) {
    Transaction tx(m_db);
    CFormatosSet set(m_db);
    openById(set, id);
    if (set.IsEOF())
        return false;
    set.Delete();
    // Its paper and picture go with it.
    CFormatPaperStore(m_db).Remove(id);
    CFormatBackgroundStore(m_db).Remove(id);
    tx.commit();
    return true;
}
