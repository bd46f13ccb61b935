#include "file_faults.h"

#ifdef __linux__
#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
}

ReadOnlyFolder::ReadOnlyFolder(const QString& path) : path_(path.toLocal8Bit())
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
    if (!writable()) return;
    set_immutable(true);
    immutable_ = !writable();
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (immutable_) set_immutable(false);
    QFile::setPermissions(QString::fromLocal8Bit(path_),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool ReadOnlyFolder::writable() const
{
    const QByteArray probe = path_ + "/.probe";
    const int fd = ::open(probe.constData(), O_CREAT | O_WRONLY, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

void ReadOnlyFolder::set_immutable(bool on)
{
    const int fd = ::open(path_.constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    ::close(fd);
}
#endif
