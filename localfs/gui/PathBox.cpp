#include "PathBox.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace {

int IndexOfPath(const QString& path, QComboBox* CB) {
    const QString wanted = path.toUpper();
    for (int i = 0; i < CB->count(); ++i)
        if (pathOfEntry(CB, i).toUpper() == wanted)
            return i;
    return -1;
}

}  // namespace

QString pathOfEntry(QComboBox* CB, int index) {
    const QVariant path = CB->itemData(index);
    return path.isValid() ? path.toString() : CB->itemText(index);
}

bool IsPathInComboBox(const QString& path, QComboBox* CB) {
    return IndexOfPath(path, CB) >= 0;
}

void AddPathToComboBox(const QString& sPathToAdd, QComboBox* CB, const QString& display) {
    const int present = IndexOfPath(sPathToAdd, CB);
    if (present >= 0) {
        // The entry now shows the path as given: on a case-sensitive system it is that folder.
        const QSignalBlocker quiet(CB);
        CB->setItemText(present, display.isEmpty() ? sPathToAdd : display);
        if (!display.isEmpty())
            CB->setItemData(present, sPathToAdd);
        CB->setCurrentIndex(present);
        return;
    }
    {
        // The first entry of an empty box becomes current by itself, before its data is set; only
        // the explicit selection below may reach the handlers.
        const QSignalBlocker quiet(CB);
        CB->addItem(display.isEmpty() ? sPathToAdd : display);
        if (!display.isEmpty())
            CB->setItemData(CB->count() - 1, sPathToAdd);
        CB->setCurrentIndex(-1);
    }
    CB->setCurrentIndex(CB->count() - 1);
}
