#pragma once

#include <QList>
#include <QString>
#include <optional>

// The remote list as the remote changes see it: what is selected, and its reread.
class RemoteView {
public:
    struct Row {
        QString text;
        int kind = 0;  // RowKind
    };

    virtual ~RemoteView() = default;

    // The selected rows, in list order.
    virtual QList<Row> selectedRemoteRows() const = 0;
    // The text of the row a single-entry command applies to: the current row when it is
    // selected, else the first selected one; none without a selection.
    virtual std::optional<QString> chosenRemoteRow() const = 0;
    virtual void RefreshRemoteFileList() = 0;
};
