#include "Workspace.h"

#include "RecordFields.h"

using namespace RecordFields;

Workspace Workspace::fromRow(const Row& r) {
    Workspace w;
    w.id = idOrFresh(r);
    w.name = r.string("name").value_or(QString());
    w.slug = r.string("slug").value_or(QString());
    w.role = r.string("role").value_or(QStringLiteral("member"));
    w.settingsJSON = r.string("settings_json");
    return w;
}

QJsonObject Workspace::toJson() const {
    QJsonObject j{{"id", id}, {"name", name}, {"slug", slug}, {"role", role}};
    put(j, "settingsJSON", settingsJSON);
    return j;
}
