#include "platform/qt_shell.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace zelto {

bool QtShell::StartBatch(const std::string& path) {
    const QString file = QString::fromLocal8Bit(path.c_str());
#ifdef _WIN32
    return QProcess::startDetached(QStringLiteral("cmd"), {QStringLiteral("/c"), file});
#else
    return QProcess::startDetached(QStringLiteral("/bin/sh"), {file});
#endif
}

}  // namespace zelto
