#include "CommandRules.h"

#include "FtpClient.h"

namespace {
constexpr int kFileKind = 1;
constexpr int kFolderKind = 2;
}  // namespace

SelectionFacts MakeSelectionFacts(bool hasCurrent, int currentKind, int selectedCount) {
    SelectionFacts facts;
    facts.hasCurrent = hasCurrent;
    facts.selectedCount = selectedCount;
    facts.several = hasCurrent && selectedCount > 1;
    facts.kind = (hasCurrent && !facts.several) ? currentKind : 0;
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

RemoteCommands EvaluateRemoteCommands(const SelectionFacts& remote) {
    RemoteCommands c;
    c.deleteFile = remote.hasCurrent && (remote.kind == kFileKind || remote.several);
    c.renameFile = remote.hasCurrent && remote.kind == kFileKind;
    c.removeFolder = remote.hasCurrent && remote.kind == kFolderKind;
    c.deleteProject = c.removeFolder;
    c.view = c.removeFolder;
    c.receive = remote.hasCurrent && remote.selectedCount >= 1;
    return c;
}

LocalCommands EvaluateLocalCommands(const SelectionFacts& local, int ftpState,
                                    const QStringList& remoteRowTexts) {
    LocalCommands c;
    c.deleteFile = local.hasCurrent && (local.kind == kFileKind || local.several);
    c.renameFile = local.hasCurrent && local.kind == kFileKind;
    c.createFolder = true;
    c.removeFolder = local.hasCurrent && local.kind == kFolderKind;
    c.send = ftpState == ftp::kIdle && local.selectedCount > 0 && local.hasCurrent &&
             !PublishedProjectLimitReached(remoteRowTexts);
    return c;
}
