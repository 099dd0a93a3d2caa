#include "platform/gnome/GnomeKeybindingStore.h"

#include "platform/gnome/GnomeAccelerator.h"

// GIO's headers name a struct member "signals", which Qt defines away.
#undef signals
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <QStringList>

#include <algorithm>
#include <memory>

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Settings = std::unique_ptr<GSettings, GObjectUnref>;

struct StrvFree {
    void operator()(gchar** strv) const { g_strfreev(strv); }
};

QString ownedString(gchar* text) {
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

QString idOf(const QString& path) {
    const QString folder = QString::fromLatin1(GnomeKeybindingStore::folder);
    if (!path.startsWith(folder) || !path.endsWith(QLatin1Char('/')))
        return {};
    const QString id = path.mid(folder.size()).chopped(1);
    return id.startsWith(QLatin1String(GnomeKeybindingStore::ourPrefix)) && !id.contains(QLatin1Char('/')) ? id
                                                                                                        : QString();
}

} // namespace

QString GnomeKeybindingStore::settingsName() const {
    return tr("GNOME Settings");
}

QString GnomeKeybindingStore::pathFor(const QString& id) {
    return QString::fromLatin1(folder) + id + QLatin1Char('/');
}

namespace {

// Both schemas, looked up before anything is opened: g_settings_new() aborts
// the process on a schema that isn't installed.
void requireSchemas() {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    for (const char* id : {GnomeKeybindingStore::listSchema, GnomeKeybindingStore::entrySchema}) {
        GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr;
        if (!schema)
            throw DesktopKeybindingsError(
                GnomeKeybindingStore::tr("GNOME's keyboard shortcut settings aren't installed here (the settings "
                                         "schema \u201c%1\u201d is missing), so Zorvi can't add its shortcuts to "
                                         "them. Installing gnome-settings-daemon brings them.")
                    .arg(QString::fromLatin1(id)));
        g_settings_schema_unref(schema);
    }
}

Settings listSettings() {
    requireSchemas();
    return Settings(g_settings_new(GnomeKeybindingStore::listSchema));
}

Settings entrySettings(const QString& id) {
    return Settings(
        g_settings_new_with_path(GnomeKeybindingStore::entrySchema, GnomeKeybindingStore::pathFor(id).toUtf8()));
}

QStringList pathList(GSettings* list) {
    std::unique_ptr<gchar*, StrvFree> paths(g_settings_get_strv(list, "custom-keybindings"));
    QStringList result;
    for (gchar** path = paths.get(); *path; ++path)
        result << QString::fromUtf8(*path);
    return result;
}

DesktopKeybindings::Entry readEntry(const QString& id) {
    const Settings entry = entrySettings(id);
    const QString accelerator = ownedString(g_settings_get_string(entry.get(), "binding"));
    return {id, ownedString(g_settings_get_string(entry.get(), "name")),
            ownedString(g_settings_get_string(entry.get(), "command")), GnomeAccelerator::toBinding(accelerator),
            accelerator};
}

} // namespace

std::vector<DesktopKeybindings::Entry> GnomeKeybindingStore::ours() const {
    const Settings list = listSettings();
    std::vector<Entry> result;
    for (const QString& path : pathList(list.get()))
        if (const QString id = idOf(path); !id.isEmpty())
            result.push_back(readEntry(id));
    return result;
}

bool GnomeKeybindingStore::canBind(const HotkeyBinding& binding) const {
    return !GnomeAccelerator::fromBinding(binding).isEmpty();
}

void GnomeKeybindingStore::setOurs(const std::vector<Entry>& asked) {
    std::vector<Entry> entries;
    for (Entry entry : asked) {
        // An id without our mark would be written and never read back as ours.
        Q_ASSERT(!idOf(pathFor(entry.id)).isEmpty());
        entry.accelerator = entry.binding ? GnomeAccelerator::fromBinding(*entry.binding) : QString();
        if (entry.accelerator.isEmpty())
            throw DesktopKeybindingsError(tr("GNOME can only run a command on a key combination pressed once, "
                                             "not on a modifier tapped or a double press."));
        entries.push_back(entry);
    }
    const Settings list = listSettings();
    // Without dconf, GIO keeps settings in memory and every write would
    // vanish with this process.
    const std::unique_ptr<GSettingsBackend, GObjectUnref> defaultBackend(g_settings_backend_get_default());
    const char* backend = G_OBJECT_TYPE_NAME(defaultBackend.get());
    if (qstrcmp(backend, "GMemorySettingsBackend") == 0 || qstrcmp(backend, "GNullSettingsBackend") == 0)
        throw DesktopKeybindingsError(tr("GNOME's settings store (dconf) isn't installed here, so nothing Zorvi "
                                         "wrote to GNOME Settings would last."),
                                      QString::fromLatin1(backend));
    if (!g_settings_is_writable(list.get(), "custom-keybindings"))
        throw DesktopKeybindingsError(
            tr("GNOME's custom shortcuts are locked on this computer, so Zorvi can't change them."));

    const QStringList before = pathList(list.get());
    QStringList after;
    QStringList wanted;
    for (const Entry& entry : entries)
        wanted << pathFor(entry.id);
    // Everyone else's entries keep their places; ours keep theirs while
    // wanted, and new ones go at the end.
    for (const QString& path : before)
        if (idOf(path).isEmpty() || wanted.contains(path))
            after << path;
    for (const QString& path : wanted)
        if (!after.contains(path))
            after << path;

    // An entry is complete before the list names it, and out of the list
    // before it is cleared: gnome-settings-daemon never binds half of one.
    for (const Entry& entry : entries) {
        const Settings settings = entrySettings(entry.id);
        g_settings_set_string(settings.get(), "name", entry.name.toUtf8());
        g_settings_set_string(settings.get(), "command", entry.command.toUtf8());
        g_settings_set_string(settings.get(), "binding", entry.accelerator.toUtf8());
    }
    if (after != before) {
        std::vector<QByteArray> utf8;
        for (const QString& path : after)
            utf8.push_back(path.toUtf8());
        std::vector<const gchar*> strv;
        for (const QByteArray& path : utf8)
            strv.push_back(path.constData());
        strv.push_back(nullptr);
        g_settings_set_strv(list.get(), "custom-keybindings", strv.data());
    }
    for (const QString& path : before)
        if (const QString id = idOf(path); !id.isEmpty() && !wanted.contains(path)) {
            const Settings settings = entrySettings(id);
            for (const char* key : {"name", "command", "binding"})
                g_settings_reset(settings.get(), key);
        }
    // dconf writes in the background and, when its service can't store a
    // change, quietly takes it back: once everything has been answered,
    // what reads back is what was kept.
    g_settings_sync();
    std::vector<Entry> kept;
    for (const QString& path : pathList(list.get()))
        if (const QString id = idOf(path); !id.isEmpty())
            kept.push_back(readEntry(id));
    const auto byId = [](const Entry& a, const Entry& b) { return a.id < b.id; };
    std::sort(kept.begin(), kept.end(), byId);
    std::sort(entries.begin(), entries.end(), byId);
    const auto same = [](const Entry& a, const Entry& b) {
        return a.id == b.id && a.name == b.name && a.command == b.command && a.accelerator == b.accelerator;
    };
    if (pathList(list.get()) != after || !std::equal(kept.begin(), kept.end(), entries.begin(), entries.end(), same))
        throw DesktopKeybindingsError(tr("GNOME's settings store (dconf) didn't keep the change, so GNOME Settings "
                                         "is as it was. Is dconf-service installed and your home folder writable?"));
}
