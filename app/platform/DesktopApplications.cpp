#include "platform/DesktopApplications.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <functional>
#include <mutex>

namespace {

bool same(const QString& a, const QString& b) {
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

QString unescape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        out += next == 's' ? QChar(' ') : next == 'n' ? QChar('\n') : next == 't' ? QChar('\t') : next;
    }
    return out;
}

// The program Exec starts, without its folder; "env VAR=x prog" names prog.
QString programOf(const QString& exec) {
    const QStringList words = exec.split(' ', Qt::SkipEmptyParts);
    qsizetype index = 0;
    if (words.value(0) == QLatin1String("env")) {
        index = 1;
        while (index < words.size() && words[index].contains('='))
            ++index;
    }
    QString program = words.value(index);
    program.remove('"');
    return QFileInfo(program).fileName();
}

// Only the [Desktop Entry] group matters; nothing for anything that is no
// visible application.
std::optional<DesktopApplication> parse(const QString& path, const QString& id, const QLocale& locale) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    const QString language = locale.name(); // "de_DE"
    const QString shortLanguage = language.section('_', 0, 0);
    QString name, languageName, shortLanguageName, type;
    DesktopApplication app{id, {}, {}, {}};
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith('[')) {
            if (inEntry)
                break;
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inEntry || line.startsWith('#') || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = unescape(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("Name"))
            name = value;
        else if (key == QStringLiteral("Name[%1]").arg(language))
            languageName = value;
        else if (key == QStringLiteral("Name[%1]").arg(shortLanguage))
            shortLanguageName = value;
        else if (key == QLatin1String("StartupWMClass"))
            app.startupWMClass = value;
        else if (key == QLatin1String("Exec"))
            app.program = programOf(value);
        else if (key == QLatin1String("Hidden") && value == QLatin1String("true"))
            return std::nullopt;
    }
    if (type != QLatin1String("Application"))
        return std::nullopt;
    app.name = !languageName.isEmpty() ? languageName : !shortLanguageName.isEmpty() ? shortLanguageName : name;
    if (app.name.isEmpty())
        return std::nullopt;
    return app;
}

// Changes whenever a file is added to or removed from a folder.
QString signature(const QStringList& folders) {
    QString text;
    for (const QString& folder : folders) {
        QDirIterator dirs(folder, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        QStringList all{folder};
        while (dirs.hasNext())
            all << dirs.next();
        for (const QString& dir : all)
            text += dir + ':' + QString::number(QFileInfo(dir).lastModified().toMSecsSinceEpoch()) + ';';
    }
    return text;
}

} // namespace

QStringList DesktopApplications::applicationFolders() {
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList folders{dataHome + QStringLiteral("/applications")};
    for (const QString& dir : dataDirs.split(':', Qt::SkipEmptyParts))
        folders << dir + QStringLiteral("/applications");
    folders.removeDuplicates();
    return folders;
}

DesktopApplications DesktopApplications::scan(const QStringList& folders, const QLocale& locale) {
    DesktopApplications result;
    QSet<QString> seen;
    for (const QString& folder : folders) {
        const QDir root(folder);
        QDirIterator files(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            // A file in a sub-folder has the folder in its id: kde/x.desktop is "kde-x".
            QString id = root.relativeFilePath(path);
            id.chop(int(qstrlen(".desktop")));
            id.replace('/', '-');
            if (seen.contains(id))
                continue;
            seen.insert(id);
            if (std::optional<DesktopApplication> app = parse(path, id, locale))
                result.applications_.append(std::move(*app));
        }
    }
    return result;
}

std::shared_ptr<const DesktopApplications> DesktopApplications::installed() {
    static std::mutex mutex;
    static QString lastSignature;
    static std::shared_ptr<const DesktopApplications> cached;
    const std::lock_guard lock(mutex);
    const QStringList folders = applicationFolders();
    const QString current = folders.join('\n') + '\n' + signature(folders);
    if (!cached || current != lastSignature) {
        cached = std::make_shared<const DesktopApplications>(scan(folders));
        lastSignature = current;
    }
    return cached;
}

std::optional<DesktopApplication> DesktopApplications::forWindowClass(const std::optional<QString>& instanceName,
                                                                        const std::optional<QString>& className) const {
    QStringList names;
    for (const std::optional<QString>& name : {className, instanceName})
        if (name && !name->isEmpty())
            names << *name;

    using Rule = std::function<bool(const DesktopApplication&, const QString&)>;
    const Rule rules[] = {
        [](const DesktopApplication& app, const QString& name) { return same(app.startupWMClass, name); },
        [](const DesktopApplication& app, const QString& name) { return same(app.id, name); },
        [](const DesktopApplication& app, const QString& name) {
            return app.id.contains('.') && same(app.id.section('.', -1), name);
        },
        [](const DesktopApplication& app, const QString& name) { return same(app.program, name); },
    };
    for (const Rule& rule : rules)
        for (const QString& name : names)
            for (const DesktopApplication& app : applications_)
                if (rule(app, name))
                    return app;
    return std::nullopt;
}
