// Feeds arbitrary JSON to the wire readers. The input is one JSON document;
// every value in it (recursively) goes through every reader.

#include "sync/Wire.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>

namespace {

void readEverything(const QJsonValue& v, int depth) {
    (void)Wire::str(v);
    (void)Wire::integer(v);
    (void)Wire::real(v);
    (void)Wire::boolean(v);
    (void)Wire::strings(v);
    (void)Wire::json(v);
    (void)Wire::stamp(Wire::date(v));
    if (depth > 8)
        return;
    if (v.isArray())
        for (const QJsonValue& element : v.toArray())
            readEverything(element, depth + 1);
    if (v.isObject()) {
        const QJsonObject object = v.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            readEverything(it.value(), depth + 1);
        const Wire::PersonNameLookup names = [](const QString& id) { return std::optional<QString>(id); };
        (void)Wire::summarize(Wire::str(object.value("kind")).value_or(QString()), object.value("data"), names);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (doc.isNull())
        return 0;
    readEverything(doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object()), 0);
    return 0;
}
