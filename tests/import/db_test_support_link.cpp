// The data-layer test base (a fresh database per test on SQLite and on
// PostgreSQL) is compiled into the data-layer tests only; the import tests
// build the same source into their own program.
#include "db/db_test_support.cpp"
