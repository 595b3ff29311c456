#pragma once

#include <QString>
#include <QStringList>

// Which commands a list's selection and the connection allow. Plain logic: the window collects the
// facts from its lists and applies the answers to buttons and menu entries.

// What a list's selection looks like at one moment.
struct SelectionFacts {
    bool hasCurrent = false;  // the list reports a selected item
    int selectedCount = 0;
    bool several = false;  // a current row and more than one selected
    int kind = 0;          // the current row's kind when not several, else 0
};

SelectionFacts makeSelectionFacts(bool hasCurrent, int currentKind, int selectedCount);

struct RemoteCommands {
    bool deleteFile = false;
    bool renameFile = false;
    bool removeFolder = false;
    bool deleteProject = false;
    bool view = false;
    bool receive = false;
};

struct LocalCommands {
    bool deleteFile = false;
    bool renameFile = false;
    bool createFolder = true;
    bool removeFolder = false;
    bool send = false;
};

// Remote folders that are part of every hosting account, never counted as published projects.
bool isSpecialRemoteFolder(const QString& rowText);

// At most this many published projects; uploads are refused at the limit.
constexpr int kPublishedProjectLimit = 10;

// True when the remote list holds the limit or more rows that are not special folders.
bool publishedProjectLimitReached(const QStringList& remoteRowTexts);

// `special`: the selection holds a special remote folder, which is no published project.
// `busy`: an operation runs; nothing that would start another one is allowed.
RemoteCommands evaluateRemoteCommands(const SelectionFacts& remote, bool special, bool busy);
LocalCommands evaluateLocalCommands(const SelectionFacts& local, int ftpState,
                                    const QStringList& remoteRowTexts, bool busy);
