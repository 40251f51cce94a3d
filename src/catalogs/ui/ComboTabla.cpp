#include "catalogs/ui/ComboTabla.h"

#include "db/Database.h"
#include "db/Statement.h"

#include <QByteArray>

namespace {

// Each entry's record key; the entry's text is only what the operator reads.
constexpr int kKeyRole = Qt::UserRole;

// Alias of the key column in the query, unlikely to meet an extra column's name.
constexpr const char* kKeyAlias = "qvl_key";

QVariant toVariant(const DbValue& value) {
    return std::visit(
        [](const auto& v) -> QVariant {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return QVariant();
            else if constexpr (std::is_same_v<T, std::int64_t>)
                return QVariant(qlonglong(v));
            else if constexpr (std::is_same_v<T, double>)
                return QVariant(v);
            else if constexpr (std::is_same_v<T, std::string>)
                return QVariant(QString::fromStdString(v));
            else
                return QVariant(QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size())));
        },
        value);
}

} // namespace

CComboTabla::CComboTabla(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    // Long names widen the popup, not the control.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
}

CComboTabla::~CComboTabla() = default;

void CComboTabla::SetCondition(const QString& condition, std::vector<DbValue> params) {
    m_condition = condition;
    m_conditionParams = std::move(params);
}

QString CComboTabla::selectSql() const {
    return QStringLiteral("SELECT [%1],[%2] AS %3%4 FROM %5%6")
        .arg(m_display, m_key, QLatin1String(kKeyAlias), m_extra, m_table, m_condition);
}

void CComboTabla::Fill() {
    clear();
    m_filled = false;
    if (!m_db)
        return;
    const QString sql = selectSql() + QStringLiteral(" ORDER BY [%1] COLLATE ES, [%2]").arg(m_display, m_key);
    Statement query = m_db->prepare(sql.toStdString());
    query.bindAll(m_conditionParams);
    // Read everything first, so that a failure part-way leaves the list empty rather than partial.
    std::vector<std::pair<QString, std::int64_t>> rows;
    while (query.step())
        rows.emplace_back(QString::fromStdString(query.text(0)), query.integer(1));
    for (const auto& [text, key] : rows)
        addItem(text, QVariant(qlonglong(key)));
    m_filled = true;
}

bool CComboTabla::readSelected(std::int32_t* key, QVariant* extra) const {
    const int index = currentIndex();
    if (!m_db || !m_filled || index < 0)
        return false;
    const QVariant stored = itemData(index, kKeyRole);
    if (!stored.isValid())
        return false;
    // The record read again by its key, through the same condition: a row deleted or changed
    // since Fill (the layout designer runs beside us) no longer counts.
    const QString sql = QStringLiteral("SELECT * FROM (%1) AS lista WHERE %2 = ? LIMIT 1").arg(selectSql(), QLatin1String(kKeyAlias));
    Statement query = m_db->prepare(sql.toStdString());
    std::vector<DbValue> params = m_conditionParams;
    params.emplace_back(std::int64_t(stored.toLongLong()));
    query.bindAll(params);
    if (!query.step())
        return false;
    if (key)
        *key = std::int32_t(query.integer(1));
    if (extra)
        *extra = query.columnCount() > 2 ? toVariant(query.column(2)) : QVariant();
    return true;
}

std::int32_t CComboTabla::GetSelectedKey() const {
    std::int32_t key = -1;
    return readSelected(&key, nullptr) ? key : -1;
}

QVariant CComboTabla::GetSelectedExtra() const {
    QVariant extra;
    return readSelected(nullptr, &extra) ? extra : QVariant();
}

void CComboTabla::SelectByKey(std::int32_t id) {
    const int index = findData(QVariant(qlonglong(id)), kKeyRole);
    if (index >= 0)
        setCurrentIndex(index);
}
