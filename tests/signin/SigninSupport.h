#pragma once

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include "AppPath.h"
#include "NetConnect.h"
#include "WebPage.h"

// GetAppPath points into a fresh temporary folder while this lives.
struct ProgramFolder {
    QTemporaryDir dir;
    ProgramFolder() { setAppPathForTesting(dir.path()); }
    ~ProgramFolder() { setAppPathForTesting(QString()); }
    QString path(const QString& name) const { return dir.filePath(name); }
};

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Connected-state services answering from fields.
struct ScriptedState final : ConnectedState {
    quint32 flags;
    bool online, dialUp;
    int dialled = 0;
    ScriptedState(quint32 flags, bool online, bool dialUp = false)
        : flags(flags), online(online), dialUp(dialUp) {
        setConnectedState(this);
    }
    ~ScriptedState() override { setConnectedState(nullptr); }
    bool query(quint32& out) override {
        out = flags;
        return online;
    }
    bool dialUpConfigured(quint32) override { return dialUp; }
    void autodial() override { ++dialled; }
};

// A launcher that records the addresses and answers with a fixed result.
struct RecordingLauncher final : WebLauncher {
    int result;
    QStringList opened;
    explicit RecordingLauncher(int result) : result(result) { setWebLauncher(this); }
    ~RecordingLauncher() override { setWebLauncher(nullptr); }
    int open(const QString& url) override {
        opened << url;
        return result;
    }
};

template <class T>
T* child(QDialog& form, const char* name) {
    T* child = form.findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("no control %s in %s", name, qPrintable(form.objectName()));
    return child;
}

// The prompt's buttons the user is offered; one only half offered (shown or enabled) ends in "?".
inline QString buttons(QDialog& prompt) {
    QStringList names;
    for (const char* name : {"cmdOK", "cmdConnect", "cmdCancel"}) {
        const auto* button = child<QPushButton>(prompt, name);
        if (!button->isHidden() || button->isEnabled())
            names << name + QString(button->isHidden() || !button->isEnabled() ? "?" : "");
    }
    return names.join(u' ');
}

// What the prompt shows: its title, its message and the buttons offered.
inline QString seen(QDialog& prompt) {
    return prompt.windowTitle() + u'\n' + child<QLabel>(prompt, "Label1")->text() + u'\n' +
           buttons(prompt);
}
