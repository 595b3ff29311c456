#include "CommandRules.h"

#include "FtpClient.h"
#include "RowKind.h"

SelectionFacts makeSelectionFacts(bool hasCurrent, int currentKind, int selectedCount) {
    SelectionFacts facts;
    facts.hasCurrent = hasCurrent;
    facts.selectedCount = selectedCount;
    facts.several = hasCurrent && selectedCount > 1;
    facts.kind = (hasCurrent && !facts.several) ? currentKind : kNoRow;
    return facts;
}

bool isSpecialRemoteFolder(const QString& rowText) {
    return rowText == QLatin1String("cgi-bin") || rowText == QLatin1String("cp") ||
           rowText == QLatin1String("images");
}

bool publishedProjectLimitReached(const QStringList& remoteRowTexts) {
    int special = 0;
    for (const QString& text : remoteRowTexts)
        if (isSpecialRemoteFolder(text))
            ++special;
    return remoteRowTexts.size() >= special + kPublishedProjectLimit;
}

RemoteCommands evaluateRemoteCommands(const SelectionFacts& remote, bool special, bool busy) {
    RemoteCommands c;
    // Viewing opens the browser only; every other command talks to the server.
    c.view = remote.hasCurrent && remote.kind == kFolderRow && !special;
    if (busy)
        return c;
    c.deleteFile = remote.hasCurrent && (remote.kind == kFileRow || remote.several);
    c.renameFile = remote.hasCurrent && remote.kind == kFileRow;
    c.removeFolder = remote.hasCurrent && remote.kind == kFolderRow;
    c.deleteProject = c.removeFolder && !special;
    c.receive = remote.hasCurrent && remote.selectedCount >= 1;
    return c;
}

LocalCommands evaluateLocalCommands(const SelectionFacts& local, int ftpState,
                                    const QStringList& remoteRowTexts, bool busy) {
    LocalCommands c;
    // The local file commands would change what a running upload reads or a download writes.
    c.createFolder = !busy;
    if (busy)
        return c;
    c.deleteFile = local.hasCurrent && (local.kind == kFileRow || local.several);
    c.renameFile = local.hasCurrent && local.kind == kFileRow;
    c.removeFolder = local.hasCurrent && local.kind == kFolderRow;
    c.send = ftpState == ftp::kIdle && local.selectedCount > 0 && local.hasCurrent &&
             !publishedProjectLimitReached(remoteRowTexts);
    return c;
}
