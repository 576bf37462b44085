#pragma once
// The server backend: any ODBC driver through unixODBC (FreeTDS for SQL
// Server, "PostgreSQL Unicode" for PostgreSQL), using the wide-character
// calls so that Chinese texts survive.  Internal to the data layer.
#include <memory>
#include <string>

#include "db/backend.h"
#include "db/connection_string.h"

namespace tabrin::detail {

// The ODBC connection string for a "Provider=SQLOLEDB..." string: driver
// (its "Driver" key, else FreeTDS), server ("(local)" is this machine;
// "host,port" gives a port), port, database, login and password, each value
// braced when it holds characters that would change how the string reads.
// FreeTDS has no escape for "}" inside braces: for it a value holding "}" is
// refused with an error naming the Database.ini key.
std::string OdbcConnectionString(const TConnectionProperties& properties);

// Seconds to wait for the server: the "Connect Timeout" of an OLE DB
// string, else 15.
int LoginTimeoutSeconds(const TConnectionProperties& properties);

// Connects, waiting at most timeoutSeconds for the server to answer; a
// server that does not answer in time fails with a message that says so.
std::unique_ptr<TBackend> OpenOdbcBackend(const std::string& odbcConnectionString, int timeoutSeconds);

}  // namespace tabrin::detail
