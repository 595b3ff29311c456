#include "LogWindow.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

LogWindow::LogWindow(int maxLines, QWidget* parent)
    : QDialog(parent), m_text(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("frmLog"));
    setWindowTitle(QStringLiteral("Pictavo Ferrymate - Log"));
    m_text->setObjectName(QStringLiteral("txtLog"));
    m_text->setReadOnly(true);
    m_text->setMaximumBlockCount(maxLines);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    resize(640, 400);
}

void LogWindow::setLines(const QStringList& lines) {
    m_text->setPlainText(lines.join(QLatin1Char('\n')));
}

void LogWindow::addLines(const QStringList& lines) {
    m_text->appendPlainText(lines.join(QLatin1Char('\n')));
}
