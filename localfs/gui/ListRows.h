#pragma once

#include <QString>
#include <QStyle>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include "RowKind.h"

// Rows of the local and the remote list. A row shows a text that may differ from the entry's real
// name (local folders are shown upper-cased), so every path is built from NameRole, never from the
// text.

constexpr int KindRole = Qt::UserRole;      // RowKind of the row
constexpr int NameRole = Qt::UserRole + 1;  // the name as the file system or server spells it

inline int rowKindOf(const QTreeWidgetItem* row) {
    return row ? row->data(0, KindRole).toInt() : kNoRow;
}

// The real name of a row; rows added without one fall back to their text.
inline QString rowNameOf(const QTreeWidgetItem* row) {
    if (!row)
        return {};
    const QVariant name = row->data(0, NameRole);
    return name.isValid() ? name.toString() : row->text(0);
}

// The small image of a row kind. Loaded once: a listing of thousands of rows would otherwise
// decode the same image for each of them.
inline QIcon rowIcon(const QStyle* style, int kind) {
    static const QIcon file = style->standardIcon(QStyle::SP_FileIcon);
    static const QIcon folder = style->standardIcon(QStyle::SP_DirIcon);
    static const QIcon link = style->standardIcon(QStyle::SP_FileLinkIcon);
    return kind == kFolderRow ? folder : kind == kLinkRow ? link : file;
}

inline QTreeWidgetItem* addListRow(QTreeWidget* list, const QString& text, const QString& realName,
                                   int kind, const QString& dateText) {
    QString kindName = QStringLiteral("file");
    if (kind == kFolderRow)
        kindName = QStringLiteral("folder");
    else if (kind == kLinkRow)
        kindName = QStringLiteral("link");
    auto* row = new QTreeWidgetItem(list, QStringList{text, dateText});
    row->setIcon(0, rowIcon(list->style(), kind));
    row->setData(0, KindRole, kind);
    row->setData(0, NameRole, realName);
    // The image alone tells folders from files; screen readers get it in words.
    row->setData(0, Qt::AccessibleTextRole, text + QStringLiteral(", ") + kindName);
    return row;
}
