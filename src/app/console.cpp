#include "console.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <shellapi.h>
#else
#include <cstdio>
#endif

#ifdef Q_OS_WIN

QStringList console_arguments(int, char**)
{
    QStringList arguments;
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) return arguments;
    for (int i = 1; i < count; ++i)
        arguments.append(QString::fromWCharArray(words[i]));
    LocalFree(words);
    return arguments;
}

void console_write(const QString& text, ConsoleStream stream)
{
    const DWORD which = stream == ConsoleStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        // Started from a console without redirection: a window program is given no handles.
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
        handle = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = text.toStdWString();
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        const QByteArray bytes = text.toUtf8();
        WriteFile(handle, bytes.constData(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

#else

QStringList console_arguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void console_write(const QString& text, ConsoleStream stream)
{
    std::fputs(text.toLocal8Bit().constData(), stream == ConsoleStream::Output ? stdout : stderr);
}

#endif
