#pragma once

#include "db/Connection.h"

#include <optional>
#include <vector>

class PgConnection;
struct pg_result;

// A statement on a server. Parameters travel as text of unknown type, which the server types from
// their place in the statement (blobs as binary bytea); result columns are read by their type:
// integers and booleans as integers, floating and numeric as reals, bytea as blobs, the rest as
// text. The result is fetched whole on the first step.
class PgStatement final : public StatementBackend {
public:
    PgStatement(PgConnection& conn, const std::string& sql);
    ~PgStatement() override;

    void bind(int index, const DbValue& value) override;
    bool step() override;
    int changes() const override { return m_changes; }
    void reset() override;
    int columnCount() const override;
    std::string columnName(int column) const override;
    DbValue column(int column) const override;

private:
    void run();
    void clearResult();

    PgConnection& m_conn;
    std::string m_original;
    std::string m_sql;
    std::string m_returning;  // the row key an INSERT hands back for lastInsertId()
    int m_parameters = 0;
    std::vector<std::optional<std::string>> m_values;
    std::vector<int> m_binary;
    pg_result* m_result = nullptr;
    bool m_ran = false;
    int m_row = -1;
    int m_rows = 0;
    int m_changes = 0;
};
