#pragma once
// The program's database schema: every table and column that QEL 23 names,
// with the type and size its field definitions give each column. The data
// module defines its fields from it and the server check checks a server
// against it, so the two cannot disagree.
#include "db/field_type.h"

#include <optional>
#include <string_view>
#include <vector>

namespace schema {

struct Column {
    const char* name;
    // None where the type is not fixed: the program reads the column only
    // inside statements or through a dataset without field definitions.
    std::optional<db::FieldType> type = std::nullopt;
    int size = 0; // texts: at most this many characters
    // The column that identifies the table's rows.
    bool key = false;
    // Values outside the range are refused when they are entered.
    std::optional<int> minimum = std::nullopt;
    std::optional<int> maximum = std::nullopt;
    // The dictionary whose key this column holds. The reference schemas make
    // it a foreign key, so that an entry in use cannot be deleted.
    const char* references = nullptr;
};

struct Table {
    const char* name;
    // The program inserts, changes and deletes its rows; otherwise it only reads.
    bool edited = false;
    // The server assigns the key of each new row: every table the program
    // inserts into, and the teachers, whose key the program treats as
    // server-assigned (some name no key column).
    bool serverAssignsKeys = false;
    // In the order of the data module's field definitions.
    std::vector<Column> columns;
};

// Every table the program reads or writes.
const std::vector<Table>& tables();

// The table of that name; throws std::invalid_argument for a name that is
// not in the schema.
const Table& table(std::string_view name);

// The table's key column (the first one marked as key); nullptr without one.
const Column* keyOf(const Table& table);

} // namespace schema
