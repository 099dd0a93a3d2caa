#pragma once

#include <QString>

#include <functional>

class DataFolder;

// Moves a service kept in one SQLite file and one folder onto a shared
// PostgreSQL database (and, when given, a bucket): every row and file is
// copied, then counted and hashed on the other side. Rows and files already
// there are left as they are, so a run cut short is finished by running it
// again; the source is only read.
class ServiceMigration {
public:
    using Report = std::function<void(const QString& line)>;

    ServiceMigration(DataFolder& source, DataFolder& target, Report report)
        : source_(source), target_(target), report_(std::move(report)) {}

    // True when the target holds everything the source does.
    bool run();

private:
    void copyRows(const QString& table);
    void copyCounterAndKey();
    int copyBlobs();
    bool rowsMatch();
    bool blobsMatch();

    DataFolder& source_;
    DataFolder& target_;
    Report report_;
};
