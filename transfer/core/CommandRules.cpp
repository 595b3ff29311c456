#include "CommandRules.h"

#include "FtpClient.h"
#include "RowKind.h"

SelectionFacts MakeSelectionFacts(bool hasCurrent, int currentKind, int selectedCount) {
    SelectionFacts facts;
    facts.hasCurrent = hasCurrent;
    facts.selectedCount = selectedCount;
    facts.several = hasCurrent && selectedCount > 1;
    facts.kind = (hasCurrent && !facts.several) ? currentKind : kNoRow;
    return facts;
}

bool IsSpecialRemoteFolder(const QString& rowText) {
    return rowText == QLatin1String("cgi-bin") || rowText == QLatin1String("cp") ||
           rowText == QLatin1String("images");
}

bool PublishedProjectLimitReached(const QStringList& remoteRowTexts) {
    int special = 0;
    for (const QString& text : remoteRowTexts)
        if (IsSpecialRemoteFolder(text))
            ++special;
    return remoteRowTexts.size() >= special + kPublishedProjectLimit;
}

RemoteCommands EvaluateRemoteCommands(const SelectionFacts& remote, bool special, bool busy) {
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

LocalCommands EvaluateLocalCommands(const SelectionFacts& local, int ftpState,
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
             !PublishedProjectLimitReached(remoteRowTexts);
    return c;
}
