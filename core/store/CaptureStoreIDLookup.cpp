// Finding a capture from the part of its id a person or an agent quotes, or
// from a row that hangs under it.
#include "CaptureStore.h"

namespace {

// Ids compare byte-wise on the primary key, so a range on it answers a prefix
// without LIKE's scan: printable ASCII only, without LIKE's own wildcards.
bool answerableByKeyRange(const QString& prefix) {
    for (QChar c : prefix)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E || c == u'%' || c == u'_')
            return false;
    return true;
}

bool isAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// The least text above every text that starts with `prefix` (printable ASCII).
QString pastPrefix(QString prefix) {
    prefix.back() = QChar(prefix.back().unicode() + 1);
    return prefix;
}

} // namespace

std::optional<QString> CaptureStore::resolveCaptureID(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    if (capture(trimmed))
        return trimmed;
    const QStringList ids = answerableByKeyRange(trimmed)
                                ? liveIDsWithPrefix(trimmed)
                                : liveIDsLike(trimmed + "%");
    if (ids.size() != 1)
        return std::nullopt;
    return ids.front();
}

std::optional<QString> CaptureStore::captureIDEndingWith(const QString& suffix) {
    if (suffix.isEmpty())
        return std::nullopt;
    const QStringList ids = liveIDsLike("%" + suffix);
    if (ids.size() != 1)
        return std::nullopt;
    return ids.front();
}

std::optional<QString> CaptureStore::quotedCaptureID(const QString& text) {
    // The board shows a capture's short id, its last 8 characters, so that
    // is what a person quotes; shorter endings than 4 would rarely be unique.
    constexpr int shortestEnding = 4;
    if (auto id = resolveCaptureID(text))
        return id;
    const QString trimmed = text.trimmed();
    return trimmed.size() >= shortestEnding ? captureIDEndingWith(trimmed) : std::nullopt;
}

QStringList CaptureStore::liveIDsLike(const QString& pattern) {
    QStringList ids;
    for (const Row& row : db_->query("SELECT id FROM captures WHERE id LIKE ? AND deleted_at IS NULL LIMIT 2;", {pattern}))
        ids.append(row.string("id").value_or(QString()));
    return ids;
}

QStringList CaptureStore::liveIDsWithPrefix(const QString& prefix) {
    // LIKE ignores the case of ASCII letters, so every spelling of the prefix
    // counts. Walking it letter by letter keeps only the spellings some stored
    // id begins with: ids are lower-case but for rare service rows, so each
    // upper-case probe usually finds nothing and one spelling remains.
    const auto anyIDStartsWith = [this](const QString& spelling) {
        return !db_->query("SELECT 1 FROM captures WHERE id >= ? AND id < ? LIMIT 1;",
                           {spelling, pastPrefix(spelling)})
                    .empty();
    };
    QStringList spellings{QString()};
    for (QChar c : prefix) {
        QStringList longer;
        for (const QString& spelling : spellings) {
            longer.append(spelling + c.toLower());
            if (isAsciiLetter(c) && anyIDStartsWith(spelling + c.toUpper()))
                longer.append(spelling + c.toUpper());
        }
        spellings = longer;
    }

    QStringList ids;
    for (const QString& spelling : spellings) {
        for (const Row& row : db_->query(
                 "SELECT id FROM captures WHERE id >= ? AND id < ? AND deleted_at IS NULL LIMIT 2;",
                 {spelling, pastPrefix(spelling)}))
            ids.append(row.string("id").value_or(QString()));
        if (ids.size() >= 2)
            break;
    }
    return ids;
}

std::optional<QString> CaptureStore::captureOfRow(const QString& table, const QString& id) {
    QString sql;
    if (table == u"captures")
        sql = "SELECT id AS capture_id FROM captures WHERE id = ?;";
    else if (table == u"capture_images")
        sql = "SELECT capture_id FROM capture_images WHERE id = ?;";
    else if (table == u"comments")
        sql = "SELECT capture_id FROM comments WHERE id = ?;";
    else
        return std::nullopt;
    const auto rows = db_->query(sql, {id});
    return rows.empty() ? std::nullopt : rows.front().string("capture_id");
}
