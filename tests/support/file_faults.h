#pragma once

#include <QByteArray>
#include <QString>

#ifdef __linux__
#include <sys/resource.h>

// While it lives, no file of the process grows past bytes: a write fails part-way, as it does on a
// full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes = 16 * 1024);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*old_handler_)(int) = nullptr;
};

// A folder in which no file can be created. The administrator ignores permissions, so the folder
// is also made immutable where the system allows it.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool read_only() const { return !writable(); }

private:
    bool writable() const;
    void set_immutable(bool on);

    QByteArray path_;
    bool immutable_ = false;
};
#endif
