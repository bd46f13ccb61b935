#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class Messages;

// The desktop's own opener: the Windows shell, or xdg-open elsewhere. True when it took the file.
bool open_with_desktop(const QUrl& url);

// Opens a document the program wrote into the data folder in the desktop's viewer, without waiting
// for it. When nothing can open it (no viewer installed, xdg-open missing), says so and names the
// file, which stays where it was written.
void open_in_viewer(Messages& messages, const QString& path,
                    const std::function<bool(const QUrl&)>& open = open_with_desktop);
