#include "ProjectDir.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include "AppPath.h"
#include "ProfileFile.h"

namespace {
const QString kSection = QStringLiteral("Projects");
const QString kKey = QStringLiteral("ProjectDir");
}  // namespace

QString chosenProjectDir() {
    const QString folder = readProfileString(kSection, kKey, QString(), 4096, settingsPath());
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? appPathFrom(folder) : QString();
}

bool keepProjectDir(const QString& folder) {
    return writeProfileString(kSection, kKey, folder, settingsPath());
}

ProjectDir readProjectDir(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {{},
                QStringLiteral("The projects folder file ") + filePath +
                    QStringLiteral(" cannot be read, so no Pictavos are listed.")};
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!line.startsWith(QLatin1String("projectDir=")))
            continue;
        QString folder = line.mid(11);
        const qsizetype amp = folder.indexOf(QLatin1Char('&'));
        if (amp >= 0)
            folder.truncate(amp);
        folder = folder.trimmed();
        if (folder.isEmpty())
            break;
        if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('\\')))
            folder += QLatin1Char('/');
        return {folder, {}};
    }
    return {{},
            QStringLiteral("The projects folder file ") + filePath +
                QStringLiteral(" names no projects folder (a line \"projectDir=\" followed "
                               "by the folder), so no Pictavos are listed.")};
}
