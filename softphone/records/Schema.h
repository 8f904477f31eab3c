#pragma once

#include "Database.h"

#include <string>
#include <vector>

namespace velmora::records {

// The table's history as numbered steps; a database records the last one it
// took in schema_version. Steps are only ever appended.
struct Migration {
    int version;
    const char* sql;
};
const std::vector<Migration>& migrations();
int latestSchemaVersion();

// Brings the database to the latest version. Several programs may do it at
// once: one takes the steps, the others find them taken. A database already
// there needs nothing but reading schema_version (an inserting role needs no
// right to create tables). False with the reason in error.
bool migrate(Database& db, std::string& error);

}  // namespace velmora::records
