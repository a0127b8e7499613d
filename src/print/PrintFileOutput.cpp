// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PrintFileOutput.h"

#include "storage/PdbFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quillary {

namespace {

bool Refuse(QString* error, const QString& target, const QString& reason) {
    if (error)
        *error =
            QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(target), reason);
    return false;
}

QString Reason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

PrintFileOutput::~PrintFileOutput() {
    Discard();
}

void PrintFileOutput::Discard() {
    if (!m_temp.isEmpty())
        ::unlink(QFile::encodeName(m_temp).constData());
    m_temp.clear();
}

bool PrintFileOutput::Begin(const QString& target, const QString& notesFile, QString* error) {
    Discard();
    m_target = target;
    const std::string path = QFile::encodeName(target).toStdString();
    std::error_code ec;
    fs::path resolved(path);
    if (fs::is_symlink(fs::symlink_status(resolved, ec))) {
        resolved = fs::canonical(resolved, ec);
        if (ec)
            return Refuse(error, target, QStringLiteral("it is a link to nothing."));
    }
    struct stat st {};
    const bool exists = ::stat(resolved.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return Refuse(error, target,
                          QStringLiteral("it is not a regular file; a PDF is written only to a "
                                         "new file or over a regular one."));
        struct stat notes {};
        if (!notesFile.isEmpty() && ::stat(QFile::encodeName(notesFile).constData(), &notes) == 0 &&
            notes.st_dev == st.st_dev && notes.st_ino == st.st_ino)
            return Refuse(error, target,
                          QStringLiteral("it is the notes file being printed; choose another "
                                         "file for the PDF."));
        if (IsPalmDatabaseFile(resolved.string()))
            return Refuse(error, target,
                          QStringLiteral("it is a Palm database, which a PDF does not replace; "
                                         "choose another file."));
        if (::access(resolved.c_str(), W_OK) != 0)
            return Refuse(error, target, QStringLiteral("the file is read-only."));
    }
    m_resolved = QFile::decodeName(resolved.c_str());
    // Beside the target, so the rename stays on one file system.
    static std::mt19937_64 rng{std::random_device{}()};
    const fs::path folder = resolved.has_parent_path() ? resolved.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld.%08llx.tmp", long(::getpid()),
                      static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
        const fs::path temp = folder / ("." + resolved.filename().string() + suffix);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              exists ? (st.st_mode & 07777) : 0644);
        if (fd >= 0) {
            ::close(fd);
            m_temp = QFile::decodeName(temp.c_str());
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    return Refuse(error, target,
                  QStringLiteral("nothing can be written in its folder (%1).").arg(Reason()));
}

bool PrintFileOutput::Commit(QString* error) {
    if (m_temp.isEmpty())
        return Refuse(error, m_target, QStringLiteral("nothing was printed."));
    const QByteArray temp = QFile::encodeName(m_temp);
    const int fd = ::open(temp.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const QString why = Reason();
        if (fd >= 0)
            ::close(fd);
        return Refuse(error, m_target,
                      QStringLiteral("flushing it to disk failed (%1); the file there is "
                                     "unchanged.")
                          .arg(why));
    }
    ::close(fd);
    if (::rename(temp.constData(), QFile::encodeName(m_resolved).constData()) != 0)
        return Refuse(error, m_target,
                      QStringLiteral("replacing the file failed (%1); the file there is "
                                     "unchanged.")
                          .arg(Reason()));
    m_temp.clear();
    const QString folder = QFileInfo(m_resolved).absolutePath();
    const int dfd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

} // namespace quillary
