#pragma once

#include <QString>

// Titles of the program's boxes: "Pictavo Ferrymate " followed by the tag.
inline QString boxTitle(const QString& tag) {
    return QStringLiteral("Pictavo Ferrymate ") + tag;
}
