#pragma once

class Database;

// The text recognised in screenshots lives in tables of its own beside the
// library's numbered schema, with a full-text index. They are optional: a
// library without them (an SQLite without FTS5, a file another version made)
// works as before, only without searching screenshot words.
namespace ScreenshotTextSchema {

// Creates the tables when missing; false when they can't exist here.
bool ensure(Database& db) noexcept;

} // namespace ScreenshotTextSchema
