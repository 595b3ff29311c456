#pragma once

#include <QDialog>

class QPlainTextEdit;

// The message log and the FTP dialogue of this session in a window of its own, as text the user
// can select and copy (into a support request, say). Passwords appear as "****" there as in
// the log they come from.
class LogWindow : public QDialog {
    Q_OBJECT
public:
    // Keeps the latest `maxLines` lines.
    explicit LogWindow(int maxLines, QWidget* parent = nullptr);

    void setLines(const QStringList& lines);
    void addLines(const QStringList& lines);

private:
    QPlainTextEdit* m_text;  // child of this
};
