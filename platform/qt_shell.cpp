#include "platform/qt_shell.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include "platform/qt_text.h"

namespace zelto {

bool QtShell::StartBatch(const std::string& path) {
    const QString file = ToQString(path);
#ifdef _WIN32
    return QProcess::startDetached(QStringLiteral("cmd"), {QStringLiteral("/c"), file});
#else
    return QProcess::startDetached(QStringLiteral("/bin/sh"), {file});
#endif
}

}  // namespace zelto
