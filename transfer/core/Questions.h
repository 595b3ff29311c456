#pragma once

#include <QString>

// What the transfer logic asks the user. The logic decides what to ask and acts on the answer;
// the window puts the question on screen.
class Questions {
public:
    // The answers to whether a file the target already has is replaced; the "to all" ones hold
    // for the rest of the operation.
    enum class Replace { Yes, YesToAll, No, NoToAll };
    // The buttons of a box that only tells something; which one closes it does not matter.
    enum class Buttons { Ok, OkCancel };

    virtual ~Questions() = default;

    // A Yes/No question with Yes as default and the "[Confirm]" title; true only for Yes.
    virtual bool Confirm(const QString& question) = 0;
    // A warning with two answers, `acceptText` and "Cancel", Cancel being the default; true only
    // for the first.
    virtual bool accept(const QString& title, const QString& text, const QString& acceptText) = 0;
    // A one-line text prompt with OK and Cancel; Cancel gives empty text.
    virtual QString input(const QString& title, const QString& label) = 0;
    // A warning, OK being the default.
    virtual void warn(const QString& title, const QString& text, Buttons buttons) = 0;
    // The replace question with Yes as default; closing the box answers No.
    virtual Replace askReplace(const QString& question) = 0;
};
