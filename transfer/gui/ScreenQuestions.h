#pragma once

#include <QPointer>
#include <QWidget>

#include "Questions.h"

// The transfer logic's questions as boxes and prompts of the dialogs interface, over `parent`.
class ScreenQuestions final : public Questions {
public:
    explicit ScreenQuestions(QWidget* parent) : m_parent(parent) {}

    bool Confirm(const QString& question) override;
    bool accept(const QString& title, const QString& text, const QString& acceptText) override;
    QString input(const QString& title, const QString& label) override;
    void warn(const QString& title, const QString& text, Buttons buttons) override;
    Replace askReplace(const QString& question) override;

private:
    QPointer<QWidget> m_parent;
};
