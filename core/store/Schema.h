#pragma once

class Database;

// Brings a library of any earlier layout, or an empty file, to the current one.
namespace Schema {

inline constexpr int currentVersion = 5;

// Throws the first DatabaseError; user_version is written only after the last step.
void migrate(Database& db);

} // namespace Schema
