#include "FolderBlobStore.h"

#include "DataFolder.h"
#include "security/Secrets.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace {

class FileUpload : public BlobStore::Upload {
public:
    explicit FileUpload(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::WriteOnly) || !file_.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
            throw std::runtime_error("could not store blob: " + file_.errorString().toStdString());
    }
    bool write(const char* data, std::size_t size) override { return file_.write(data, qint64(size)) == qint64(size); }
    void commit() override {
        if (!file_.commit())
            throw std::runtime_error("could not store blob: " + file_.errorString().toStdString());
    }

private:
    QSaveFile file_;
};

} // namespace

FolderBlobStore::FolderBlobStore(QString root) : root_(std::move(root)) {
    DataFolder::makeOwnerOnlyFolder(root_);
}

QString FolderBlobStore::pathFor(const QString& workspaceId, const QString& sha256) const {
    return root_ + '/' + workspaceId + '/' + sha256.left(2) + '/' + sha256;
}

bool FolderBlobStore::exists(const QString& workspaceId, const QString& sha256) {
    return QFileInfo::exists(pathFor(workspaceId, sha256));
}

std::unique_ptr<BlobStore::Upload> FolderBlobStore::beginUpload(const QString& workspaceId, const QString& sha256) {
    DataFolder::makeOwnerOnlyFolder(root_ + '/' + workspaceId);
    const QString path = pathFor(workspaceId, sha256);
    DataFolder::makeOwnerOnlyFolder(QFileInfo(path).path());
    return std::make_unique<FileUpload>(path);
}

std::unique_ptr<QIODevice> FolderBlobStore::open(const QString& workspaceId, const QString& sha256) {
    auto file = std::make_unique<QFile>(pathFor(workspaceId, sha256));
    if (!file->open(QIODevice::ReadOnly))
        return nullptr;
    return file;
}

std::vector<std::pair<QString, QString>> FolderBlobStore::stored() const {
    std::vector<std::pair<QString, QString>> found;
    for (const QString& workspace : QDir(root_).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (QDirIterator it(root_ + '/' + workspace, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            it.next();
            // Not a half-written upload's temporary file.
            if (Secrets::isSha256Hex(it.fileName()))
                found.emplace_back(workspace, it.fileName());
        }
    return found;
}
