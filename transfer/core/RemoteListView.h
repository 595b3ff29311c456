#pragma once

#include <QString>

// The remote list and path box as remote browsing sees them. A listing's rows arrive through the
// component's ListingItem notifications between BeginListing and EndListing.
class RemoteListView {
public:
    virtual ~RemoteListView() = default;

    virtual void ClearRemoteFileList() = 0;
    // A folder made current goes to the box of visited folders.
    virtual void addVisitedFolder(const QString& path) = 0;
    virtual void beginListing() = 0;
    virtual void endListing() = 0;
};
