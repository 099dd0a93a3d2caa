#include "store/DatabaseErrorText.h"

#include <QCoreApplication>

#include <sqlite3.h>

namespace DatabaseErrorText {

namespace {

QString tr(const char* text) { return QCoreApplication::translate("DatabaseError", text); }

} // namespace

QString sentence(bool opening, int code) {
    switch (code & 0xff) {
    case SQLITE_FULL:
        return tr("The disk is full, so Zorvi couldn't save that. Free some space and try again.");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return tr("Another program is busy with Zorvi's library. Try again in a moment.");
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return tr("Zorvi isn't allowed to change its library file. Check the folder's permissions.");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return tr("Zorvi's library file is damaged or isn't a Zorvi library.");
    case SQLITE_CONSTRAINT:
        if (code == SQLITE_CONSTRAINT_FOREIGNKEY)
            return tr("That refers to something no longer in the library (a group, capture or person that was "
                      "removed), so it wasn't saved.");
        return tr("That clashes with something already in the library, so it wasn't saved.");
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
        return tr("Zorvi couldn't read or write its library file. Check that the disk is there and try again.");
    default:
        break;
    }
    if (opening)
        return tr("Zorvi couldn't open its library file. Check that the folder exists and can be written to.");
    return tr("Zorvi's library couldn't do that. Try again; if it keeps happening, the log has the details.");
}

} // namespace DatabaseErrorText
