#pragma once

#include <QString>

// Turns what a person typed into an FTS5 query: every word must appear, each
// as the start of a word ("invo" finds "invoice"). Only letters and digits
// pass, so no typed text is read as query syntax. Empty when nothing does.
namespace FullTextQuery {

QString fromSearch(const QString& search);

} // namespace FullTextQuery
