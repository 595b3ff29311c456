#pragma once

#include <QPointer>
#include <QTreeWidget>

// Keeps a list unsorted while many rows are appended, so each insert is cheap; sorts once after.
class SortingSuspended {
public:
    explicit SortingSuspended(QTreeWidget* list) : m_list(list) {
        if (m_list) {
            m_wasSorted = m_list->isSortingEnabled();
            m_list->setSortingEnabled(false);
            m_list->setUpdatesEnabled(false);
        }
    }
    SortingSuspended(const SortingSuspended&) = delete;
    SortingSuspended& operator=(const SortingSuspended&) = delete;
    ~SortingSuspended() {
        if (m_list) {
            m_list->setUpdatesEnabled(true);
            m_list->setSortingEnabled(m_wasSorted);
        }
    }

private:
    QPointer<QTreeWidget> m_list;
    bool m_wasSorted = false;
};
