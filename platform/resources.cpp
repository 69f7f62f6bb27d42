#include "platform/resources.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace brindle {

QString resourcePath(const QString& name) {
    QString relative = name;
    while (relative.startsWith('/')) {
        relative.remove(0, 1);
    }
    const QString besideProgram = QCoreApplication::applicationDirPath() + '/' + relative;
    QStringList folders;
    const QString fromEnv = qEnvironmentVariable("BRINDLE_RESOURCES_DIR");
    if (!fromEnv.isEmpty()) {
        folders << fromEnv;
    }
    folders << QCoreApplication::applicationDirPath() << QStringLiteral(BRINDLE_DATA_DIR);
    for (const QString& folder : folders) {
        const QString path = folder + '/' + relative;
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return besideProgram;
}

}  // namespace brindle
